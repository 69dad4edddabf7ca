// Shared between os/*.cpp and the platform folders; not for callers of os/.
#pragma once

#include "os/os.h"
#include "os/test_hooks.h"

namespace os {
namespace detail {

// Counts one operation of kind `op`; true (with the last error set) when a
// test asked for this one to fail.
bool InjectedFailure(Op op);

}  // namespace detail
}  // namespace os
