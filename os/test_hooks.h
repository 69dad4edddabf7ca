// What tests (and the test commands of brelix-cli) may change in the
// operating-system door: the drive type and registry that Linux stands in
// with, and failures made to order. The program itself never includes this.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "os/os.h"

namespace os {

// Linux only: DriveTypeOf reports every path as removable (true) or fixed
// (false, the default).
void SetRemovableForTesting(bool removable);

// Linux only: the registry ReadMachineValue reads, as key path -> (value
// name -> data). Key and value names match without regard to ASCII case, as
// in the registry.
void SetRegistryForTesting(const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>& keys);

// ---- Fault injection (Linux test builds) -----------------------------------

// Kinds of operation that a test can make fail.
enum class Op { Create, Write, Flush, Close, Rename, Copy, MakeFolder, ProfileWrite, SetAttributes, Remove, Count };
// Makes the `nth` (counted from 1) operation of kind `op` from now on fail
// with `error`; nth 0 switches injection off. Counts every operation so that a
// test can learn how many a scenario performs. No effect on Windows.
void InjectFault(Op op, int nth, Error error);
void ClearFaults();
int OperationCount(Op op);

}  // namespace os
