// The width file of the standard fonts (fonts.dat, made by fontgen from their
// metrics): found beside the program, in the working folder or where it was built
// or installed, and read once per process.
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "pdf/tpdf.h"

namespace remu {

namespace fs = std::filesystem;

namespace {

// fonts.dat is read once per process and location: a slip run creates thousands of writers.
std::optional<std::vector<std::array<int16_t, 896>>> loadWidthFile(const std::string& path) {
    static std::mutex mutex;
    static std::map<std::string, std::optional<std::vector<std::array<int16_t, 896>>>> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(path);
    if (it != cache.end()) return it->second;
    std::optional<std::vector<std::array<int16_t, 896>>> rows;
    std::ifstream in(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.bad() && data.size() >= 1792) {
        rows.emplace(data.size() / 1792);
        for (size_t r = 0; r < rows->size(); ++r)
            for (size_t e = 0; e < 896; ++e) {
                auto lo = static_cast<unsigned char>(data[r * 1792 + e * 2]);
                auto hi = static_cast<unsigned char>(data[r * 1792 + e * 2 + 1]);
                (*rows)[r][e] = static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
            }
    }
    cache.emplace(path, rows);
    return rows;
}

}  // namespace

void PdfFontWidths::load(const std::string& fileName) {
    // The usual case, no name given, is resolved once per process.
    if (fileName.empty()) {
        static const std::vector<std::array<int16_t, 896>> defaults = [] {
            PdfFontWidths w;
            w.resolve({});
            return w.rows_;
        }();
        rows_ = defaults;
        return;
    }
    resolve(fileName);
}

void PdfFontWidths::resolve(const std::string& fileName) {
    std::vector<std::string> candidates;
    if (!fileName.empty()) candidates.push_back(fileName);
    candidates.push_back((fs::current_path() / "fonts.dat").string());
    std::error_code ec;
    auto self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) candidates.push_back((self.parent_path() / "fonts.dat").string());
#ifdef REMU_FONTS_DAT_BUILD
    candidates.push_back(REMU_FONTS_DAT_BUILD);
#endif
#ifdef REMU_FONTS_DAT_INSTALL
    candidates.push_back(REMU_FONTS_DAT_INSTALL);
#endif
    for (auto& path : candidates) {
        if (!fs::exists(path, ec)) continue;
        if (auto rows = loadWidthFile(path)) {
            rows_ = std::move(*rows);
            return;
        }
    }
    rows_.clear();
}

int PdfFontWidths::width(int familyRow, int style, unsigned char code) const {
    if (familyRow < 0 || familyRow >= static_cast<int>(rows_.size()) || code < 32 || style < 0 || style > 3) return 0;
    return rows_[familyRow][(code - 32) * 4 + style];
}

}  // namespace remu
