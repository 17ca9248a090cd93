#pragma once
// The pictures inside a folder and its sub-folders, as a batch takes them: in name
// order, each with the folder it lies in relative to the one given, so that the
// written files can mirror the tree. Nothing outside the folder is taken: symbolic
// links that lead out of it, and links that lead back into a folder already being
// read (a loop), are passed over with the reason.
#include <string>
#include <vector>

namespace conv {

struct FolderPicture {
    std::string path;   // as found: the folder given, then the names down to the picture
    std::string within; // the sub-folders it lies in ("2024/june"), empty at the top
};

struct FolderWalk {
    std::vector<FolderPicture> pictures;
    std::vector<std::string> passedOver; // "path: reason", for what is not taken
};

// The pictures (by their names' extensions) in `folder`, and with `subFolders` in
// every folder below it, in name order, a folder's own pictures before its
// sub-folders'. A run's `outputFolder` inside the folder is never entered: the run
// does not read what it writes (an output folder that is the folder itself, or above
// it, cannot be left out).
FolderWalk PicturesInFolder(const std::string& folder, bool subFolders, const std::string& outputFolder = "");

} // namespace conv
