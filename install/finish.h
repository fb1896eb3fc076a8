#pragma once
// Progress event of the ZIP component; 100 completes the installation.
void OnExtractionProgress(int percent);
