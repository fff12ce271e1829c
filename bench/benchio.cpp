// What the benchmark programs share.
#include "bench/benchio.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <stdexcept>

#include "protocol/wire.h"

namespace tav::bench {
namespace {

std::string sqlText(std::u16string_view text) {
    std::string out = "'";
    for (char c : toUtf8(text)) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

}  // namespace

std::string quickPredicateSql() { return "instr(Description, " + sqlText(kQuickNeedle) + ") > 0"; }

std::string advancedPredicateSql() {
    return "(instr(Description, " + sqlText(kQuickNeedle) + ") > 0 OR instr(reason, " + sqlText(kReasonNeedle) +
           ") > 0) AND em_level >= 2 AND (bill_type = 'CM' OR Status <> 32)";
}

void writeManifest(const std::string& path, const Manifest& m) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    for (const auto& [k, v] : m) f << k << '=' << v << '\n';
    if (!f) throw std::runtime_error("cannot write " + path);
}

Manifest readManifest(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path + " (run TAVbenchgen first)");
    Manifest m;
    std::string line;
    while (std::getline(f, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos) m[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return m;
}

long long manifestInt(const Manifest& m, const std::string& key) {
    auto it = m.find(key);
    if (it == m.end()) throw std::runtime_error("manifest has no " + key);
    return std::stoll(it->second);
}

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t h = v.size() / 2;
    return v.size() % 2 ? v[h] : (v[h - 1] + v[h]) / 2;
}

}  // namespace tav::bench
