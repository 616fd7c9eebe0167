#pragma once

#include <yaml-cpp/yaml.h>

#include <optional>
#include <string>

// A YAML file's document; nothing with strError set ("cannot read PATH", or
// "PATH is not YAML: ...") when it cannot be read or parsed.
std::optional<YAML::Node> LoadYamlFile(const std::string& strPath, std::string& strError);
