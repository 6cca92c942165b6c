// Reading the case files that the data-driven tests run through.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace zorvan::testing {

inline const std::filesystem::path CasesFolder = ZORVAN_CASES_DIR;

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Returns the lines of a UTF-8 case file, without those that start with "#".
inline std::vector<std::string> CaseLines(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(path));
  for (std::string line; std::getline(in, line);)
    if (!line.starts_with("#")) lines.push_back(line);
  return lines;
}

// Returns the case files of `folder` with the extension `ext`, in name order.
inline std::vector<std::filesystem::path> CaseFiles(const std::string& folder, const std::string& ext) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(CasesFolder / folder))
    if (entry.path().extension() == ext) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace zorvan::testing
