// Making file operations fail on purpose, to test that every failure ends
// cleanly.  Only the POSIX file layer's test build has it (pagemix_file_faults,
// which a program asks for with its PAGEMIX_FAULT_INJECTION property); the
// shipped tools and SETUP.EXE are built without it.
#pragma once

#include "platform/file.hpp"

namespace platform {

enum class Operation { kOpen, kRead, kWrite, kSeek, kSize, kTruncate, kClose, kDelete, kMakeDirectory, kReplace, kCount };

// The nth call (counted from 1 after ResetFaults) of operation fails with
// error, once.  A failed write or read transfers nothing; a failed close
// still releases the file.
void FailNthCall(Operation operation, int n, IoResult error);

// Forgets every armed failure and restarts the counts.
void ResetFaults();

// Calls of operation since ResetFaults.
int CallCount(Operation operation);

// Files this process holds open through this layer.
int OpenFileCount();

}  // namespace platform
