// drivelist [-v <DriveLetter>] | [-a <filename>]: describes one drive to the
// standard output, or every drive from D to Z into a file, a line each.
// Exit 0, or 1 for usage or a file that cannot be written.
#include "DriveDescription.h"
#include "DriveMap.h"
#include "HelpOption.h"
#include "OptionParser.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace {

int Usage(const char* self) {
    std::fprintf(stderr, "\n%s : Insufficient number of parameters specified\n", self);
    std::fprintf(stderr, "\nUsage : %s [-v <DriveLetter>] | [-a <filename>]", self);
    std::fputs("\n        -v <DriveLetter> :  Drive letter between 'D' - 'Z'", stderr);
    std::fputs("\n        -a <filename>    :  All drives which are on hard disk", stderr);
    return 1;
}

int ListAll(const char* fileName, std::uint32_t mask) {
    std::string text;  // grows with the drives
    for (char letter = 'D'; letter <= 'Z'; ++letter)
        text += std::string(1, letter) + ": " + hvadmin::FormatDrive(hvadmin::DescribeDrive(letter, mask)) + "\n";
    std::FILE* out = std::fopen(fileName, "w");
    if (out == nullptr) {
        std::fprintf(stderr, "Unable to open the file %s for writing", fileName);
        return 1;
    }
    const bool written = std::fputs(text.c_str(), out) >= 0;
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "Unable to write the file %s", fileName);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv)) {
        std::printf("Usage : %s [-v <DriveLetter>] | [-a <filename>]\n"
                    "        -v <DriveLetter> :  Drive letter between 'D' - 'Z'\n"
                    "        -a <filename>    :  All drives which are on hard disk\n",
                    argv[0]);
        return 0;
    }
    if (argc < 3) return Usage(argv[0]);
    const char* letterArg = nullptr;
    const char* fileName = nullptr;
    int c;
    while ((c = portlib::getopt(argc, argv, "v:a:")) != -1) {
        if (c == 'v') letterArg = portlib::poptarg;
        else if (c == 'a') fileName = portlib::poptarg;
        else return Usage(argv[0]);
    }
    const std::uint32_t mask = portlib::DriveMap::LogicalDrives();
    if (fileName != nullptr) return ListAll(fileName, mask);
    if (letterArg == nullptr) return Usage(argv[0]);
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letterArg[0])));
    if (letter < 'A' || letter > 'Z') return Usage(argv[0]);
    std::fputs(hvadmin::FormatDrive(hvadmin::DescribeDrive(letter, mask)).c_str(), stdout);
    return 0;
}
