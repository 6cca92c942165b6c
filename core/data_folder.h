// Where the window and zorvan-batch read their data files from: one choice,
// made the same way by both.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zorvan {

enum class DataFolderSource {
  Option,            // named with --data
  WorkingDirectory,  // the working directory held atom.csv
  UserFolder,        // $XDG_DATA_HOME/zorvan held atom.csv
  Installed,         // the example data installed with the program
};

struct DataFolderChoice {
  std::filesystem::path Path;
  DataFolderSource Source = DataFolderSource::Installed;
  // The folders that were tried, in order, the chosen one last.
  std::vector<std::filesystem::path> LookedAt;
};

// Returns the user's own data folder, $XDG_DATA_HOME/zorvan, or
// $HOME/.local/share/zorvan when XDG_DATA_HOME is unset (null), empty or not
// an absolute path; empty when HOME gives no absolute path either.
std::filesystem::path UserDataFolder(const char* xdgDataHome, const char* home);

// Chooses the data folder: `option` when it is not empty (--data); else the
// working directory when it holds atom.csv; else the user's data folder of
// the environment when it holds atom.csv; else `installed`. Folders other
// than the option are absolute.
DataFolderChoice ChooseDataFolder(const std::filesystem::path& option, const std::filesystem::path& installed);

// Returns the Japanese lines that name the folders of `folder.LookedAt`, in
// order, each on a line of its own after a heading, when none of them holds
// atom.csv and none was named with --data; empty otherwise. For the message
// of a start-up that found no data.
std::string LookedAtMessage(const DataFolderChoice& folder);

}  // namespace zorvan
