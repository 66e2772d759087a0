// Follows the changes of a JobList, for a view that shows it. Each call comes after the change,
// on the thread that made it (a batch run on a worker thread sets row statuses there).
#pragma once

#include <cstddef>
#include <string>

namespace Calvorn {

class JobListObserver {
public:
    virtual ~JobListObserver() = default;

    // Rows [first, first + count) are new.
    virtual void RowsInserted(std::size_t /*first*/, std::size_t /*count*/) {}
    // Rows [first, first + count) of the list as it was before are gone.
    virtual void RowsRemoved(std::size_t /*first*/, std::size_t /*count*/) {}
    // The status image of `row` changed.
    virtual void RowStatusChanged(std::size_t /*row*/) {}
    // The status line's text: after every file offered to the list (added or not; once for
    // all the items of a project), after removing rows and after clearing the list.
    virtual void StatusLineChanged(const std::string& /*text*/) {}
};

}  // namespace Calvorn
