// A record that would take an output component past the largest size the format allows; the
// file is stopped before it, with what was written kept.
#pragma once

#include <filesystem>
#include <utility>

#include "convert/OutputError.h"

namespace Calvorn {

class OutputLimitError : public OutputError {
public:
    explicit OutputLimitError(std::filesystem::path component)
        : OutputError("size limit reached: " + component.string()),
          m_component(std::move(component))
    {
    }

    const std::filesystem::path& Component() const { return m_component; }

private:
    std::filesystem::path m_component;
};

}  // namespace Calvorn
