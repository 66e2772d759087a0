// Paths and texts between the program (std::filesystem::path, UTF-8 strings) and Qt (QString).
#pragma once

#include <QString>
#include <filesystem>
#include <string>

namespace Calvorn {

QString ToQString(const std::filesystem::path& path);
QString ToQString(const std::string& utf8);
std::filesystem::path ToPath(const QString& text);
std::string ToUtf8(const QString& text);

}  // namespace Calvorn
