#pragma once
// The path a port's device was opened by, and how that path reached it: whether a device that
// appears there after the port's one vanished may be the same device again.
//
// Set by the opening thread at the open, then read and renewed by the dispatch worker as it
// re-attaches; never both at once.

#include <cstdint>
#include <string>

class TSioDevicePath {
public:
    // A new open by `path`.
    void Open(const std::string& path) {
        Path_ = path;
        NoteIdentity();
    }
    const std::string& Path() const { return Path_; }
    // Remembers how the path reaches its device now, for MaySameDeviceReturn.
    void NoteIdentity();
    // A device node named directly comes back as itself, and so does a link made anew or one to a
    // device that is no pseudo-terminal (a vanished one's number goes to the next one made).
    bool MaySameDeviceReturn() const;

private:
    // A link's own identity (device, inode, change time).
    struct TIdentity {
        bool Link = false;
        std::uint64_t Device = 0;
        std::uint64_t Inode = 0;
        std::int64_t ChangedNs = 0;
        bool operator==(const TIdentity&) const = default;
    };

    std::string Path_;
    TIdentity Identity_;
};
