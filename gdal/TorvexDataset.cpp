#include "gdal/TorvexDataset.h"

#include <cpl_error.h>

#include <system_error>

#include "app/PathText.h"
#include "batch/JobList.h"
#include "torvex/Result.h"
#include "torvex/Torvex_Prj.h"

namespace Calvorn {

namespace {

constexpr const char* kAnnotationSuffix = "_ANN";

std::string Upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

}  // namespace

std::string OpenFailureText(int result)
{
    switch (result) {
        case Torvex::kOpenFailed:
            return "cannot be opened or read";
        case Torvex::kNotTorvexFile:
            return "is not a Torvex file";
        case Torvex::kNotSystemFile:
            return "is of a Torvex version or file kind this driver does not read";
        case Torvex::kReadFailed:
            return "is damaged: a part it names lies outside the file";
        case Torvex::kFieldDefinitionError:
            return "is damaged: its field table is inconsistent";
        default:
            return "cannot be read (reader result " + std::to_string(result) + ")";
    }
}

TorvexDataset::TorvexDataset(const Options& options) : m_options(options) {}

OGRLayer* TorvexDataset::GetLayer(int index)
{
    if (index < 0 || index >= GetLayerCount()) {
        return nullptr;
    }
    return m_layers[static_cast<std::size_t>(index)].get();
}

std::string TorvexDataset::UniqueName(const std::string& base,
                                      const std::vector<std::string>& suffixes)
{
    std::string name = base;
    for (int n = 2;; ++n) {
        bool free = true;
        for (const std::string& suffix : suffixes) {
            free = free && m_takenNames.count(Upper(name + suffix)) == 0;
        }
        if (free) {
            break;
        }
        name = base + "_" + std::to_string(n);
    }
    for (const std::string& suffix : suffixes) {
        m_takenNames.insert(Upper(name + suffix));
    }
    return name;
}

bool TorvexDataset::AddDataFile(const std::filesystem::path& path, std::string* reason)
{
    // One reader per layer: each layer reads on its own.
    auto open = [&path, reason]() -> std::unique_ptr<Torvex::Torvex_Writer> {
        auto reader = std::make_unique<Torvex::Torvex_Writer>();
        const int result = reader->Open(path, 1);
        if (result < 0) {
            *reason = OpenFailureText(result);
            return nullptr;
        }
        return reader;
    };
    std::unique_ptr<Torvex::Torvex_Writer> reader = open();
    if (!reader) {
        return false;
    }
    const std::string base = PathToUtf8(path.filename().stem());
    const TorvexLayer::Content content = TorvexLayer::ContentOf(*reader);
    const bool split = content == TorvexLayer::Content::Points && m_options.splitAnnotations;
    if (!split) {
        m_layers.push_back(std::make_unique<TorvexLayer>(std::move(reader), UniqueName(base, {""}),
                                                         content, m_options.styleAsAttributes));
        return true;
    }
    std::unique_ptr<Torvex::Torvex_Writer> second = open();
    if (!second) {
        return false;
    }
    const std::string name = UniqueName(base, {"", kAnnotationSuffix});
    m_layers.push_back(std::make_unique<TorvexLayer>(
        std::move(reader), name, TorvexLayer::Content::PlainPoints, m_options.styleAsAttributes));
    m_layers.push_back(std::make_unique<TorvexLayer>(std::move(second), name + kAnnotationSuffix,
                                                     TorvexLayer::Content::Annotations,
                                                     m_options.styleAsAttributes));
    return true;
}

bool TorvexDataset::AddProject(const std::filesystem::path& path, std::string* reason)
{
    Torvex::Torvex_Prj project;
    const int count = project.LoadProject(path);
    if (count < 0) {
        *reason = OpenFailureText(count);
        return false;
    }
    const std::string projectName = PathToUtf8(path);
    for (const std::filesystem::path& item : ProjectItemPaths(path)) {
        std::error_code error;
        std::string why;
        if (!std::filesystem::exists(item, error)) {
            why = "is missing";
        } else if (AddDataFile(item, &why)) {
            continue;
        }
        CPLError(CE_Warning, CPLE_AppDefined, "Torvex: %s: the listed file %s %s; it is left out",
                 projectName.c_str(), PathToUtf8(item).c_str(), why.c_str());
    }
    return true;
}

}  // namespace Calvorn
