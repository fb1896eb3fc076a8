#pragma once
// The running extractions, so that the program can ask them to stop before it ends (see
// StopExtractions in platform/zip/extract.h). Once asked, the process is ending: every
// extraction running then or started later is stopped.

// One extraction's place among the running ones, from its construction until Leave() or
// its destruction.
class ExtractionTicket {
public:
    ExtractionTicket();
    ~ExtractionTicket();
    ExtractionTicket(const ExtractionTicket&) = delete;
    ExtractionTicket& operator=(const ExtractionTicket&) = delete;

    // False when the extraction may not even start: a stop was already requested.
    bool Admitted() const { return admitted_; }
    bool StopRequested() const;
    // Tells StopExtractions that this extraction has finished its work.
    void Leave();

private:
    bool admitted_ = false;
};
