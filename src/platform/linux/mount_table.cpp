#include "platform/linux/mount_table.h"

#include <libmount/libmount.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <memory>

namespace vintrel::platform::linux_host {
namespace {

// A malformed line is skipped rather than ending the parse.
int skipBadLine(libmnt_table*, const char*, int) {
    return 1;
}

std::string text(const char* s) {
    return s != nullptr ? std::string(s) : std::string();
}

struct TableDeleter {
    void operator()(libmnt_table* t) const { mnt_unref_table(t); }
};
struct IterDeleter {
    void operator()(libmnt_iter* i) const { mnt_free_iter(i); }
};
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

bool MountEntry::readOnly() const {
    return hasMountOption(vfsOptions, "ro") || hasMountOption(fsOptions, "ro");
}

std::vector<MountEntry> parseMountInfo(std::string_view input) {
    std::vector<MountEntry> out;
    if (input.empty()) return out;
    // libmount reads a stream; fmemopen gives it the text without touching the file system.
    std::string buffer(input);
    std::unique_ptr<FILE, FileCloser> stream(fmemopen(buffer.data(), buffer.size(), "r"));
    std::unique_ptr<libmnt_table, TableDeleter> table(mnt_new_table());
    std::unique_ptr<libmnt_iter, IterDeleter> iter(mnt_new_iter(MNT_ITER_FORWARD));
    if (!stream || !table || !iter) return out;
    mnt_table_set_parser_errcb(table.get(), skipBadLine);
    if (mnt_table_parse_stream(table.get(), stream.get(), "mountinfo") != 0) return out;

    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(table.get(), iter.get(), &fs) == 0) {
        // Only mountinfo lines carry a mount id; a stray fstab-style line is of no use here.
        if (mnt_fs_get_id(fs) <= 0 || mnt_fs_get_target(fs) == nullptr) continue;
        MountEntry e;
        e.id = mnt_fs_get_id(fs);
        e.parentId = mnt_fs_get_parent_id(fs);
        const dev_t dev = mnt_fs_get_devno(fs);
        e.major = major(dev);
        e.minor = minor(dev);
        e.root = text(mnt_fs_get_root(fs));
        e.target = text(mnt_fs_get_target(fs));
        e.fsType = text(mnt_fs_get_fstype(fs));
        e.source = text(mnt_fs_get_source(fs));
        e.vfsOptions = text(mnt_fs_get_vfs_options(fs));
        e.fsOptions = text(mnt_fs_get_fs_options(fs));
        if (e.target.empty() || e.target.front() != '/') continue;
        out.push_back(std::move(e));
    }
    return out;
}

bool hasMountOption(std::string_view options, std::string_view name) {
    while (!options.empty()) {
        const std::size_t comma = options.find(',');
        std::string_view item = options.substr(0, comma);
        if (item == name ||
            (item.size() > name.size() && item.substr(0, name.size()) == name && item[name.size()] == '='))
            return true;
        if (comma == std::string_view::npos) break;
        options.remove_prefix(comma + 1);
    }
    return false;
}

bool pathIsUnder(std::string_view path, std::string_view folder) {
    if (folder == "/") return !path.empty() && path.front() == '/';
    if (path.size() < folder.size() || path.substr(0, folder.size()) != folder) return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

std::optional<std::size_t> holdingMount(const std::vector<MountEntry>& mounts, std::string_view path) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        if (!pathIsUnder(path, mounts[i].target)) continue;
        if (!best || mounts[i].target.size() >= mounts[*best].target.size()) best = i;
    }
    return best;
}

}  // namespace vintrel::platform::linux_host
