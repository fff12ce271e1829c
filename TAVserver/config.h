// "TAVserver.ini": two lines, "ipaddr=" and "hostport=", no defaults.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace tav::server {

struct ServerConfig {
  std::string ipaddr;  // dotted IPv4 text as written (blanks trimmed)
  uint16_t port = 0;
};

// Parses the file's text; nullopt is the configuration failure.
std::optional<ServerConfig> parseConfig(const std::string& text);
std::optional<ServerConfig> readConfig(const std::string& path);

}  // namespace tav::server
