#include "core/data_folder.h"

#include <cstdlib>  // std::getenv
#include <system_error>

namespace zorvan {

namespace {

bool HoldsAtomCsv(const std::filesystem::path& folder) {
  std::error_code ec;  // a folder that cannot be read does not hold the file
  return !folder.empty() && std::filesystem::is_regular_file(folder / "atom.csv", ec);
}

}  // namespace

std::filesystem::path UserDataFolder(const char* xdgDataHome, const char* home) {
  // The XDG base directory rules ignore a relative value as if it were unset.
  if (xdgDataHome && std::filesystem::path(xdgDataHome).is_absolute())
    return std::filesystem::path(xdgDataHome) / "zorvan";
  if (home && std::filesystem::path(home).is_absolute())
    return std::filesystem::path(home) / ".local" / "share" / "zorvan";
  return {};
}

DataFolderChoice ChooseDataFolder(const std::filesystem::path& option, const std::filesystem::path& installed) {
  if (!option.empty()) return {option, DataFolderSource::Option, {option}};
  DataFolderChoice chosen;
  std::error_code ec;  // an unreadable working directory just does not hold the file
  const std::filesystem::path here = std::filesystem::current_path(ec);
  const std::filesystem::path user = UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  const std::pair<std::filesystem::path, DataFolderSource> candidates[] = {{here, DataFolderSource::WorkingDirectory},
                                                                           {user, DataFolderSource::UserFolder}};
  for (const auto& [folder, source] : candidates) {
    if (folder.empty()) continue;
    chosen.LookedAt.push_back(folder);
    if (HoldsAtomCsv(folder)) {
      chosen.Path = folder;
      chosen.Source = source;
      return chosen;
    }
  }
  chosen.LookedAt.push_back(installed);
  chosen.Path = installed;
  return chosen;
}

std::string LookedAtMessage(const DataFolderChoice& folder) {
  if (folder.Source != DataFolderSource::Installed || HoldsAtomCsv(folder.Path)) return {};
  std::string lines =
      "atom.csv \u3092\u6B21\u306E\u30D5\u30A9\u30EB\u30C0\u306E\u9806\u306B\u63A2\u3057\u307E"
      "\u3057\u305F:";  // atom.csv を次のフォルダの順に探しました:
  for (const std::filesystem::path& path : folder.LookedAt) lines += "\n  " + path.string();
  return lines;
}

}  // namespace zorvan
