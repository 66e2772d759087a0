#include "ui/QtPath.h"

#include "app/PathText.h"

namespace Calvorn {

QString ToQString(const std::filesystem::path& path)
{
    return QString::fromStdString(PathToUtf8(path));
}

QString ToQString(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

std::filesystem::path ToPath(const QString& text)
{
    return Utf8ToPath(text.toStdString());
}

std::string ToUtf8(const QString& text)
{
    return text.toStdString();
}

}  // namespace Calvorn
