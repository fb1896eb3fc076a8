// A program that uses what setup.exe keeps out: a checked element access that throws, a
// thread-safe function-local static and printf. The link-map check must find them here.
#include <cstdio>
#include <string>
#include <vector>

namespace {
const std::string& Greeting(int argc) {
    static const std::string greeting(static_cast<size_t>(argc), 'x');
    return greeting;
}
} // namespace

int main(int argc, char** argv) {
    std::vector<int> values(static_cast<size_t>(argc));
    std::printf("%s %d\n", Greeting(argc).c_str(), values.at(static_cast<size_t>(argc)));
    return argv[0][0];
}
