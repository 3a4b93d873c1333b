// The split job: the record that the splitter's windows share for the whole run
// of the program. Each field keeps its value until a window sets it anew; the
// writers only read it.
#pragma once

#include <cstdint>
#include <string>

namespace brindlecut {

struct SplitJob {
    std::string sourcepath;      // full path of the file to split
    std::string filename;        // its bare name; names the pieces and the manifest
    std::int64_t filesize = 0;   // bytes
    std::string sizetext;        // the file-size line of the source window
    std::string destfolder;      // destination folder as the folder list gives it
    int tofloppy = 0;            // 1: diskettes in drive A:, 0: a folder
    bool overwrite = false;      // the user agreed to replace an earlier split in destfolder
    bool keepsource = false;     // the source window keeps the file picked before
    bool shownext = false;       // the source window offers NEXT
    double sizevalue = 0;        // the number typed as piece size
    std::int64_t piecesize = 0;  // whole bytes
    int piececount = 0;          // 2 ... 32767 for an accepted plan
};

}  // namespace brindlecut
