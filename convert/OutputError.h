// Failure to create or write an output file; the message names the file, the code (when the
// system told one) says why.
#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace Calvorn {

class OutputError : public std::runtime_error {
public:
    explicit OutputError(const std::string& message, std::error_code cause = {})
        : std::runtime_error(message), m_cause(cause)
    {
    }

    const std::error_code& Cause() const { return m_cause; }

private:
    std::error_code m_cause;
};

}  // namespace Calvorn
