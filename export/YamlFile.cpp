#include "export/YamlFile.h"

std::optional<YAML::Node> LoadYamlFile(const std::string& strPath, std::string& strError) {
    try {
        return YAML::LoadFile(strPath);
    } catch (const YAML::BadFile&) {
        strError = "cannot read " + strPath;
    } catch (const YAML::Exception& error) {
        strError = strPath + " is not YAML: " + error.what();
    }
    return std::nullopt;
}
