// Reading "TAVserver.ini", tolerant of files written on other systems
// (a UTF-8 byte-order mark, CR LF line ends).
#include "TAVserver/config.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

namespace tav::server {
namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool startsWithNoCase(const std::string& line, const std::string& prefix) {
  return lower(line.substr(0, prefix.size())) == prefix;
}

}  // namespace

std::optional<ServerConfig> parseConfig(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; lines.size() < 2 && std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (lines.size() < 2) return std::nullopt;
  if (lines[0].rfind("\xEF\xBB\xBF", 0) == 0) lines[0].erase(0, 3);
  if (!startsWithNoCase(lines[0], "ipaddr=") || !startsWithNoCase(lines[1], "hostport="))
    return std::nullopt;

  ServerConfig cfg;
  cfg.ipaddr = trim(lines[0].substr(7));
  // The port is the number the value begins with; none gives 0 (the system
  // then picks one), and anything outside 0-65535 is a broken file.
  std::string v = lines[1].substr(9);
  std::size_t i = v.find_first_not_of(" \t");
  if (i == std::string::npos) return cfg;
  long long port = 0;
  bool any = false;
  for (; i < v.size() && std::isdigit(static_cast<unsigned char>(v[i])); ++i) {
    any = true;
    port = port * 10 + (v[i] - '0');
    if (port > 65535) return std::nullopt;
  }
  if (!any && i < v.size() && v[i] == '-' && i + 1 < v.size() &&
      std::isdigit(static_cast<unsigned char>(v[i + 1])))
    return std::nullopt;
  cfg.port = static_cast<uint16_t>(port);
  return cfg;
}

std::optional<ServerConfig> readConfig(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return std::nullopt;
  std::ostringstream ss;
  ss << f.rdbuf();
  if (f.bad()) return std::nullopt;
  return parseConfig(ss.str());
}

}  // namespace tav::server
