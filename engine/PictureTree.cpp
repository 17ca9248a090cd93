#include "engine/PictureTree.h"

#include "engine/Conversion.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

namespace conv {

namespace fs = std::filesystem;

namespace {

// Whether `path` is `root` or lies inside it (both canonical).
bool Inside(const fs::path& path, const fs::path& root)
{
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p)
        if (p == path.end() || *p != *r)
            return false;
    return true;
}

struct Walker {
    fs::path root; // canonical
    bool subFolders = false;
    std::optional<fs::path> output; // canonical, when it lies below the root
    FolderWalk walk;
    std::set<fs::path> reading; // canonical folders on the way down: a link to one is a loop

    void PassOver(const fs::path& path, const std::string& why)
    {
        walk.passedOver.push_back(path.string() + ": " + why);
    }

    void Read(const fs::path& folder, const fs::path& canonical, const std::string& within)
    {
        std::error_code ec;
        std::vector<fs::path> names;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            names.push_back(it->path().filename());
        if (ec)
            return PassOver(folder, "cannot be read (" + ec.message() + ")");
        // Name order, byte by byte: the same on every machine, whatever its locale.
        std::sort(names.begin(), names.end(), [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
        reading.insert(canonical);
        std::vector<std::pair<fs::path, fs::path>> folders; // (as found, canonical)
        for (const fs::path& name : names) {
            const fs::path path = folder / name;
            const bool link = fs::is_symlink(fs::symlink_status(path, ec));
            const fs::file_status status = fs::status(path, ec);
            if (link) {
                const fs::path target = fs::canonical(path, ec);
                if (ec) {
                    PassOver(path, "a symbolic link that leads nowhere");
                    continue;
                }
                if (!Inside(target, root)) {
                    PassOver(path, "a symbolic link that leads out of " + root.string());
                    continue;
                }
                if (fs::is_directory(status) && reading.count(target)) {
                    PassOver(path, "a symbolic link back to a folder above it (a loop)");
                    continue;
                }
            }
            if (fs::is_directory(status)) {
                fs::path real = fs::canonical(path, ec);
                if (subFolders && !(output && Inside(real, *output)))
                    folders.emplace_back(path, std::move(real));
            } else if (fs::is_regular_file(status) && IsPictureFileName(path.string())) {
                walk.pictures.push_back({path.string(), within});
            }
        }
        for (const auto& [path, real] : folders)
            Read(path, real, within.empty() ? path.filename().string() : within + "/" + path.filename().string());
        reading.erase(canonical);
    }
};

} // namespace

FolderWalk PicturesInFolder(const std::string& folder, bool subFolders, const std::string& outputFolder)
{
    Walker walker;
    walker.subFolders = subFolders;
    std::error_code ec;
    walker.root = fs::canonical(folder, ec);
    if (ec) {
        walker.PassOver(folder, ec.message());
        return walker.walk;
    }
    // The output folder may not be there yet: its path as it will be.
    if (const fs::path output = fs::weakly_canonical(outputFolder.empty() ? fs::path() : fs::path(outputFolder), ec);
        !outputFolder.empty() && !ec && output != walker.root && Inside(output, walker.root))
        walker.output = output;
    walker.Read(fs::path(folder), walker.root, "");
    return walker.walk;
}

} // namespace conv
