#include "tests/support/faulty_file_system.h"

#include <cerrno>

namespace brindlecut::testing {

namespace {

class FaultyFile final : public File {
public:
    FaultyFile(FaultyFileSystem& fs, std::string path, std::unique_ptr<File> inner)
        : fs_(fs), path_(std::move(path)), inner_(std::move(inner)) {}

    Errno readAt(std::int64_t offset, void* buffer, std::size_t length, std::size_t& got) override {
        got = 0;
        if (Errno e = fs_.check(Op::Read, path_)) return e;
        return inner_->readAt(offset, buffer, length, got);
    }
    Errno writeAt(std::int64_t offset, const void* buffer, std::size_t length) override {
        if (Errno e = fs_.check(Op::Write, path_)) return e;
        return inner_->writeAt(offset, buffer, length);
    }
    Errno size(std::int64_t& out) override {
        if (Errno e = fs_.check(Op::Size, path_)) return e;
        return inner_->size(out);
    }
    Errno sync() override {
        if (Errno e = fs_.check(Op::Sync, path_)) return e;
        return inner_->sync();
    }
    void startWriting(std::int64_t offset, std::int64_t length) override {
        inner_->startWriting(offset, length);
    }
    Errno close() override {
        // A failed close still releases the descriptor, as close(2) does.
        Errno injected = fs_.check(Op::Close, path_);
        Errno e = inner_->close();
        return injected ? injected : e;
    }
    int descriptor() const override { return inner_->descriptor(); }

    File& inner() { return *inner_; }
    const std::string& path() const { return path_; }

private:
    FaultyFileSystem& fs_;
    std::string path_;
    std::unique_ptr<File> inner_;
};

}  // namespace

void FaultyFileSystem::failOn(Op op, Errno error, std::string pathContains, int after, int times) {
    faults_.push_back({op, error, std::move(pathContains), after, times});
}

int FaultyFileSystem::calls(Op op) const {
    auto it = calls_.find(op);
    return it == calls_.end() ? 0 : it->second;
}

Errno FaultyFileSystem::check(Op op, const std::string& path) {
    ++calls_[op];
    if (beforeCall) beforeCall(op, path);
    for (auto& fault : faults_) {
        if (fault.op != op || fault.times == 0) continue;
        if (!fault.pathContains.empty() && path.find(fault.pathContains) == std::string::npos) continue;
        if (fault.after > 0) {
            --fault.after;
            continue;
        }
        if (fault.times > 0) --fault.times;
        return fault.error;
    }
    return 0;
}

Errno FaultyFileSystem::wrap(Errno e, const std::string& path, std::unique_ptr<File>& out) {
    if (e == 0) out = std::make_unique<FaultyFile>(*this, path, std::move(out));
    return e;
}

Errno FaultyFileSystem::info(const std::string& path, FileInfo& out) {
    if (Errno e = check(Op::Info, path)) return e;
    return inner_.info(path, out);
}

Errno FaultyFileSystem::linkInfo(const std::string& path, FileInfo& out) {
    if (Errno e = check(Op::LinkInfo, path)) return e;
    return inner_.linkInfo(path, out);
}

Errno FaultyFileSystem::copyAttributes(const std::string& from, File& to) {
    auto* target = dynamic_cast<FaultyFile*>(&to);
    if (Errno e = check(Op::CopyAttributes, target ? target->path() : std::string())) return e;
    return inner_.copyAttributes(from, target ? target->inner() : to);
}

Errno FaultyFileSystem::syncFolder(const std::string& folder) {
    if (Errno e = check(Op::SyncFolder, folder)) return e;
    return inner_.syncFolder(folder);
}

Errno FaultyFileSystem::syncVolume(const std::string& path) {
    if (Errno e = check(Op::SyncVolume, path)) return e;
    return inner_.syncVolume(path);
}

Errno FaultyFileSystem::mountedVolume(const std::string& root, std::uint64_t& volume) {
    if (Errno e = check(Op::MountedVolume, root)) return e;
    if (!fakeDriveA_) return inner_.mountedVolume(root, volume);
    if (!driveA_ || *driveA_ != root) return ENOMEDIUM;
    volume = std::hash<std::string>{}(root);
    return 0;
}

Errno FaultyFileSystem::list(const std::string& folder, std::vector<DirEntry>& out) {
    if (Errno e = check(Op::List, folder)) return e;
    return inner_.list(folder, out);
}

Errno FaultyFileSystem::openRead(const std::string& path, std::unique_ptr<File>& out) {
    if (Errno e = check(Op::OpenRead, path)) return e;
    return wrap(inner_.openRead(path, out), path, out);
}

Errno FaultyFileSystem::create(const std::string& path, std::unique_ptr<File>& out) {
    if (Errno e = check(Op::Create, path)) return e;
    return wrap(inner_.create(path, out), path, out);
}

Errno FaultyFileSystem::createNew(const std::string& path, std::unique_ptr<File>& out) {
    if (Errno e = check(Op::CreateNew, path)) return e;
    return wrap(inner_.createNew(path, out), path, out);
}

Errno FaultyFileSystem::openWrite(const std::string& path, std::unique_ptr<File>& out) {
    if (Errno e = check(Op::OpenWrite, path)) return e;
    return wrap(inner_.openWrite(path, out), path, out);
}

Errno FaultyFileSystem::removeFile(const std::string& path, bool force) {
    if (Errno e = check(Op::RemoveFile, path)) return e;
    return inner_.removeFile(path, force);
}

Errno FaultyFileSystem::removeFolder(const std::string& path, bool force) {
    if (Errno e = check(Op::RemoveFolder, path)) return e;
    return inner_.removeFolder(path, force);
}

Errno FaultyFileSystem::rename(const std::string& from, const std::string& to) {
    if (Errno e = check(Op::Rename, to)) return e;
    return inner_.rename(from, to);
}

Errno FaultyFileSystem::copyFile(const std::string& from, const std::string& to) {
    if (Errno e = check(Op::CopyFile, from)) return e;
    return inner_.copyFile(from, to);
}

Errno FaultyFileSystem::copyRange(File& from, std::int64_t fromOffset, File& to, std::int64_t toOffset,
                                  std::int64_t length) {
    auto* source = dynamic_cast<FaultyFile*>(&from);
    auto* target = dynamic_cast<FaultyFile*>(&to);
    if (Errno e = check(Op::CopyRange, source ? source->path() : std::string())) return e;
    if (target) {
        if (Errno e = check(Op::Write, target->path())) return e;
    }
    return inner_.copyRange(source ? source->inner() : from, fromOffset, target ? target->inner() : to,
                            toOffset, length);
}

Errno FaultyFileSystem::reserve(File& file, std::int64_t length) {
    auto* target = dynamic_cast<FaultyFile*>(&file);
    if (Errno e = check(Op::Reserve, target ? target->path() : std::string())) return e;
    return inner_.reserve(target ? target->inner() : file, length);
}

Errno FaultyFileSystem::availableSpace(const std::string& folder, std::int64_t& out) {
    if (Errno e = check(Op::AvailableSpace, folder)) return e;
    auto it = available_.find(folder);
    if (it != available_.end()) {
        out = it->second;
        return 0;
    }
    return inner_.availableSpace(folder, out);
}

Errno FaultyFileSystem::drives(std::vector<Drive>& out) {
    if (Errno e = check(Op::Drives, {})) return e;
    if (!fakeDrives_) return inner_.drives(out);
    out = drives_;
    for (auto& drive : out) {
        auto it = available_.find(drive.root);
        if (it != available_.end()) drive.available = it->second;
    }
    return 0;
}

Errno FaultyFileSystem::driveA(std::string& root) {
    if (Errno e = check(Op::DriveA, {})) return e;
    if (!fakeDriveA_) return inner_.driveA(root);
    if (!driveA_) return ENOMEDIUM;
    root = *driveA_;
    return 0;
}

}  // namespace brindlecut::testing
