// Stands in for Verbalto in the update tests: appends its arguments, one line per start, to
// "started.txt" beside its own executable, then ends. The file is written beside and renamed,
// so a test that sees it sees every line whole.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
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
    const std::string log = folder + "/started.txt";
    std::ifstream old(log);
    std::ostringstream text;
    text << std::string(std::istreambuf_iterator<char>(old), {}) << "started";
    for (int i = 1; i < argc; ++i)
        text << ' ' << argv[i];
    text << '\n';
    const std::string temporary = log + '.' + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << text.str();
        if (!out.flush())
            return 1;
    }
    return std::rename(temporary.c_str(), log.c_str()) == 0 ? 0 : 1;
}
