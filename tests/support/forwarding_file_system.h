// A FileSystem that passes every call on to another one, so that a test's
// file system can change the one or two calls it is about and no more.
#pragma once

#include "common/platform.h"

namespace brindlecut::testing {

class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(FileSystem& inner = systemFileSystem()) : real_(inner) {}

    Errno info(const std::string& p, FileInfo& o) override { return real_.info(p, o); }
    Errno linkInfo(const std::string& p, FileInfo& o) override { return real_.linkInfo(p, o); }
    Errno list(const std::string& f, std::vector<DirEntry>& o) override { return real_.list(f, o); }
    Errno openRead(const std::string& p, std::unique_ptr<File>& o) override { return real_.openRead(p, o); }
    Errno create(const std::string& p, std::unique_ptr<File>& o) override { return real_.create(p, o); }
    Errno createNew(const std::string& p, std::unique_ptr<File>& o) override { return real_.createNew(p, o); }
    Errno openWrite(const std::string& p, std::unique_ptr<File>& o) override { return real_.openWrite(p, o); }
    Errno reserve(File& f, std::int64_t n) override { return real_.reserve(f, n); }
    Errno removeFile(const std::string& p, bool f) override { return real_.removeFile(p, f); }
    Errno removeFolder(const std::string& p, bool f) override { return real_.removeFolder(p, f); }
    Errno rename(const std::string& a, const std::string& b) override { return real_.rename(a, b); }
    Errno copyFile(const std::string& a, const std::string& b) override { return real_.copyFile(a, b); }
    Errno copyAttributes(const std::string& a, File& b) override { return real_.copyAttributes(a, b); }
    Errno syncFolder(const std::string& f) override { return real_.syncFolder(f); }
    Errno syncVolume(const std::string& p) override { return real_.syncVolume(p); }
    Errno copyRange(File& from, std::int64_t fromOffset, File& to, std::int64_t toOffset,
                    std::int64_t length) override {
        return real_.copyRange(from, fromOffset, to, toOffset, length);
    }
    Errno availableSpace(const std::string& f, std::int64_t& o) override {
        return real_.availableSpace(f, o);
    }
    Errno drives(std::vector<Drive>& o) override { return real_.drives(o); }
    Errno driveA(std::string& r) override { return real_.driveA(r); }
    Errno mountedVolume(const std::string& r, std::uint64_t& v) override { return real_.mountedVolume(r, v); }

protected:
    FileSystem& real_;
};

}  // namespace brindlecut::testing
