#include "ui/system_font.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "util/text.h"

namespace qo {
namespace {

// Arial itself and the faces drawn to its metrics, so texts measure the same.
constexpr std::array<std::string_view, 5> ARIAL_FAMILIES{"Arial", "Liberation Sans", "Arimo", "Albany", "Albany AMT"};

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

bool is_arial_family(const FcPattern* match) {
  FcChar8* family = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
    const std::string_view name(reinterpret_cast<const char*>(family));
    for (std::string_view accepted : ARIAL_FAMILIES) {
      if (ascii_iequals(name, accepted)) return true;
    }
  }
  return false;
}

std::optional<std::filesystem::path> match_arial_font_file() {
  PatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>("Arial")));
  if (!pattern) return std::nullopt;
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  if (!match || result != FcResultMatch || !is_arial_family(match.get())) return std::nullopt;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  return std::filesystem::path(reinterpret_cast<const char*>(file));
}

}  // namespace

std::optional<std::filesystem::path> find_arial_font_file() {
  if (!FcInit()) return std::nullopt;
  auto file = match_arial_font_file();
  // Nothing else asks fontconfig: its configuration and mapped caches are let go (the next call loads them again).
  FcFini();
  return file;
}

// Font files of every system fit well below this.
constexpr std::size_t FONT_FILE_MAX_SIZE = 64 << 20;

std::optional<std::span<const uint8_t>> read_font_file_for_program_life(const std::filesystem::path& file) {
  static std::mutex mutex;
  static std::map<std::string, std::vector<uint8_t>> kept;
  const std::lock_guard lock(mutex);
  const std::string key = file.string();
  if (const auto it = kept.find(key); it != kept.end()) return std::span<const uint8_t>(it->second);
  const auto bytes = read_whole_file(file, FONT_FILE_MAX_SIZE);
  if (!bytes || bytes->empty()) return std::nullopt;
  const auto& stored = kept.emplace(key, std::vector<uint8_t>(bytes->begin(), bytes->end())).first->second;
  return std::span<const uint8_t>(stored);
}

}  // namespace qo
