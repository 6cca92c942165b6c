// The spectra readers. Both formats are line based, so one reader takes
// lines and keeps the compound it is in; a malformed line spoils only its
// compound, whose messages are said and which is dropped.
//
// SIRIUS .ms: ">compound NAME" starts a compound; ">parentmass MZ",
// ">ionization ION" and ">charge Z" describe it; ">ms1" is followed by
// "MZ INTENSITY" lines (space or tab between them); ">ms2", ">collision E"
// and the other sections whose name starts with "ms" hold spectra that are
// skipped, and any other ">key value" line is a description we do not need.
// "#" starts a comment line.
//
// MGF: "BEGIN IONS" ... "END IONS" blocks of "KEY=VALUE" lines (TITLE,
// PEPMASS "MZ [INTENSITY]", CHARGE "1+", MSLEVEL, ION) and peak lines; only
// MSLEVEL=1 blocks are spectra of the isotope pattern. A block without
// MSLEVEL is a fragment spectrum, as MGF has always meant it, and is skipped
// with a message. "#", ";", "!" and "/" start comment lines.
#include "mass/spectra.h"

#include <algorithm>
#include <charconv>  // std::from_chars, std::to_chars
#include <cmath>
#include <cstdlib>  // std::abs

#include "core/text.h"
#include "mass/percent_text.h"  // ParseNumber

namespace zorvan::mass {

namespace {

// The most peaks one compound may hold; more is no isotope pattern.
constexpr size_t MaxPeaks = 100000;
// The longest name kept, in bytes.
constexpr size_t MaxName = 1000;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Splits at the first space or tab.
std::pair<std::string_view, std::string_view> Split(std::string_view s) {
  const size_t gap = s.find_first_of(" \t");
  if (gap == std::string_view::npos) return {s, {}};
  return {s.substr(0, gap), Trim(s.substr(gap))};
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x >= 'a' && x <= 'z' ? x - 32 : x) == (y >= 'a' && y <= 'z' ? y - 32 : y);
         });
}

// Reads a charge: "1", "+1", "-2", "1+", "2-".
bool ParseCharge(std::string_view text, int& charge) {
  int sign = 1;
  if (!text.empty() && (text.back() == '+' || text.back() == '-')) {
    sign = text.back() == '-' ? -1 : 1;
    text.remove_suffix(1);
  } else if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    sign = text.front() == '-' ? -1 : 1;
    text.remove_prefix(1);
  }
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || value > 100) return false;
  charge = sign * value;
  return true;
}

// The text of a name or ion as given, as valid UTF-8 and not overlong; the
// same again when read back.
std::string Clean(std::string_view bytes) {
  std::string text = ToUtf8(FromUtf8(bytes.substr(0, MaxName)));
  if (text.size() > MaxName) {
    size_t end = MaxName;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
  }
  return std::string(Trim(text));
}

}  // namespace

std::optional<SpectraFormat> SpectraFormatOf(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string_view ending = fileName.substr(dot + 1);
  if (EqualsNoCase(ending, "ms")) return SpectraFormat::Ms;
  if (EqualsNoCase(ending, "mgf")) return SpectraFormat::Mgf;
  return std::nullopt;
}

void SpectraReader::Line(std::string_view line, bool cut) {
  ++line_;
  if (cut) {
    Bad("行が長すぎます");
    return;
  }
  line = Trim(line);
  if (format_ == SpectraFormat::Ms)
    MsLine(line);
  else
    MgfLine(line);
}

std::string SpectraReader::Skipping(std::string text) const {
  return text + (current_->Name.empty() ? "。この化合物を読み飛ばします"
                                        : "。化合物「" + current_->Name + "」を読み飛ばします");
}

void SpectraReader::Bad(std::string text) {
  if (current_ && !broken_) text = Skipping(std::move(text));
  broken_ = current_.has_value();
  pending_.push_back({line_, std::move(text)});
}

bool SpectraReader::Peak(std::string_view line, bool keep) {
  const auto [mzText, rest] = Split(line);
  const auto [intensityText, more] = Split(rest);
  MeasuredPeak peak;
  if (!ParseNumber(mzText, peak.Mz) || !ParseNumber(intensityText, peak.Intensity)) return false;
  if (!more.empty() && format_ == SpectraFormat::Ms) return false;
  if (!keep) return true;
  if (!(peak.Mz > 0) || peak.Intensity < 0) {
    Bad("ピークの m/z は正の数、強度は 0 以上の数で書きます");
  } else if (current_->Peaks.size() == MaxPeaks) {
    Bad("ピークが " + std::to_string(MaxPeaks) + " 本を超えています");
  } else {
    current_->Peaks.push_back(peak);
  }
  return true;
}

void SpectraReader::MsLine(std::string_view line) {
  if (line.empty() || line.front() == '#') return;
  if (line.front() != '>') {
    if (section_ == 2) return;
    if (section_ == 1 && !broken_) {
      if (!Peak(line, true)) Bad("ピークは「m/z 強度」の二つの数で書きます");
    } else if (section_ == 0) {
      Bad(Peak(line, false) ? "ピークの前に >ms1 がありません" : "読めない行です");
    }
    return;
  }
  const auto [key, value] = Split(line.substr(1));
  if (key == "compound" || !current_) {
    Close();
    current_.emplace();
    current_->Line = line_;
    if (key == "compound") {
      current_->Name = Clean(value);
      return;
    }
  }
  section_ = 0;
  if (key == "parentmass") {
    hasParent_ = ParseNumber(value, current_->ParentMz) && current_->ParentMz > 0;
    if (!hasParent_) Bad(">parentmass は正の数で書きます");
  } else if (key == "ionization") {
    current_->Ion = Clean(value);
  } else if (key == "charge") {
    if (!ParseCharge(value, current_->Charge)) Bad(">charge は 1 や -1 のように書きます");
  } else if (key == "ms1") {
    section_ = ms1Sections_++ == 0 ? 1 : 2;
    if (section_ == 2) pending_.push_back({line_, "二つ目の >ms1 は読み飛ばします"});
  } else if (key.starts_with("ms") || key == "collision") {
    section_ = 2;
  }
}

void SpectraReader::MgfLine(std::string_view line) {
  if (line.empty() || std::string_view("#;!/").find(line.front()) != std::string_view::npos) return;
  if (EqualsNoCase(line, "BEGIN IONS")) {
    if (current_) Bad("END IONS の前に BEGIN IONS があります");
    Close();
    current_.emplace();
    current_->Line = line_;
    return;
  }
  if (EqualsNoCase(line, "END IONS")) {
    if (!current_) Bad("BEGIN IONS のない END IONS です");
    Close();
    return;
  }
  const size_t equals = line.find('=');
  if (!current_) {
    if (equals == std::string_view::npos) Bad("BEGIN IONS の外の読めない行です");
    return;
  }
  if (equals == std::string_view::npos) {
    if (!broken_ && !Peak(line, true)) Bad("ピークは「m/z 強度」の数で書きます");
    return;
  }
  const std::string_view key = Trim(line.substr(0, equals)), value = Trim(line.substr(equals + 1));
  if (EqualsNoCase(key, "TITLE")) {
    current_->Name = Clean(value);
  } else if (EqualsNoCase(key, "PEPMASS")) {
    hasParent_ = ParseNumber(Split(value).first, current_->ParentMz) && current_->ParentMz > 0;
    if (!hasParent_) Bad("PEPMASS は正の数で書きます");
  } else if (EqualsNoCase(key, "CHARGE")) {
    if (!ParseCharge(value, current_->Charge)) Bad("CHARGE は 1+ や 1- のように書きます");
  } else if (EqualsNoCase(key, "ION")) {
    current_->Ion = Clean(value);
  } else if (EqualsNoCase(key, "MSLEVEL")) {
    int level = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), level);
    const bool read = error == std::errc() && end == value.data() + value.size();
    // A level that cannot be read is said as for a spectrum.
    level_ = read ? level : 1;
    if (!read) Bad("MSLEVEL は 1 や 2 のように書きます");
  }
}

void SpectraReader::Close() {
  if (!current_) {
    Messages.insert(Messages.end(), pending_.begin(), pending_.end());
  } else if (format_ == SpectraFormat::Mgf && level_ != 1) {
    // Another level's block: what was wrong in it does not matter, unless
    // the file breaks off inside it.
    if (!level_) Messages.push_back({current_->Line, "MSLEVEL のないブロックは MS1 でないものとして読み飛ばします"});
  } else {
    Messages.insert(Messages.end(), pending_.begin(), pending_.end());
    if (!broken_ && !hasParent_) {
      Messages.push_back({current_->Line, Skipping(format_ == SpectraFormat::Ms ? ">parentmass がありません"
                                                                                : "PEPMASS がありません")});
    } else if (!broken_) {
      Compounds.push_back(std::move(*current_));
    }
  }
  pending_.clear();
  current_.reset();
  broken_ = hasParent_ = false;
  section_ = ms1Sections_ = 0;
  level_.reset();
}

void SpectraReader::Finish() {
  if (current_ && format_ == SpectraFormat::Mgf) {
    // A cut block is said whatever its level.
    pending_.push_back({current_->Line, Skipping("END IONS がないままファイルが終わっています")});
    broken_ = true;
    level_ = 1;
  }
  Close();
}

Spectra ReadSpectra(std::string_view text, SpectraFormat format) {
  SpectraReader reader(format);
  while (!text.empty()) {
    const size_t end = text.find('\n');
    reader.Line(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  reader.Finish();
  return {std::move(reader.Compounds), std::move(reader.Messages)};
}

std::string QueryIon(const SpectrumCompound& compound) {
  if (!compound.Ion.empty() || compound.Charge == 0) return compound.Ion;
  const int z = std::abs(compound.Charge);
  const std::string n = z == 1 ? "" : std::to_string(z);
  return "[M" + std::string(compound.Charge > 0 ? "+" : "-") + n + "H]" + n + (compound.Charge > 0 ? "+" : "-");
}

std::string ParsePeakList(std::string_view text, std::vector<MeasuredPeak>& peaks) {
  peaks.clear();
  bool first = true;
  for (size_t number = 1; !text.empty(); ++number) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const auto field = [&line] {
      const size_t start = std::min(line.find_first_not_of(" \t,\r"), line.size());
      line.remove_prefix(start);
      const std::string_view f = line.substr(0, line.find_first_of(" \t,\r"));
      line.remove_prefix(f.size());
      return f;
    };
    const std::string_view mz = field(), intensity = field();
    if (mz.empty()) continue;
    MeasuredPeak peak;
    const bool read = ParseNumber(mz, peak.Mz) && ParseNumber(intensity, peak.Intensity);
    if (!read && first && !ParseNumber(mz, peak.Mz)) {
      first = false;  // a header such as "m/z Intensity"
      continue;
    }
    first = false;
    const std::string at = "測定ピークの " + std::to_string(number) + " 行目: ";
    if (!read) return at + "ピークは「m/z 強度」の二つの数で書きます";
    if (!(peak.Mz > 0) || peak.Intensity < 0) return at + "ピークの m/z は正の数、強度は 0 以上の数で書きます";
    if (peaks.size() == MaxPeaks) return at + "ピークが " + std::to_string(MaxPeaks) + " 本を超えています";
    peaks.push_back(peak);
  }
  return {};
}

std::string MsText(const SpectrumCompound& compound) {
  const auto number = [](double v) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
  };
  std::string text = ">compound " + compound.Name + "\n>parentmass " + number(compound.ParentMz) + "\n";
  if (!compound.Ion.empty()) text += ">ionization " + compound.Ion + "\n";
  if (compound.Charge != 0) text += ">charge " + std::to_string(compound.Charge) + "\n";
  text += ">ms1\n";
  for (const MeasuredPeak& p : compound.Peaks) text += number(p.Mz) + " " + number(p.Intensity) + "\n";
  return text + "\n";
}

}  // namespace zorvan::mass
