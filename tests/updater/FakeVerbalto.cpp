// Stands in for Verbalto in the update tests: appends its arguments, one line per start, to
// "started.txt" beside its own executable, then ends.
#include <fstream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    char self[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 1;
    std::string folder(self, static_cast<size_t>(n));
    folder.erase(folder.rfind('/'));
    std::ofstream log(folder + "/started.txt", std::ios::app);
    log << "started";
    for (int i = 1; i < argc; ++i)
        log << ' ' << argv[i];
    log << '\n';
    return 0;
}
