// The PCL XL operators and the attribute step, and the job's start and end.
#pragma once
#include <cstdint>

// Pops the value(s) of attribute `id` into the attribute state and marks it given.
void StorePclXlAttribute(int id);
// Runs an operator tag (0x41 to 0xBF).
void ExecutePclXlOperator(uint8_t tag);

// Closes whatever an earlier job left open and starts the state afresh.
void InitPclXlJob(const char* tempDir);
// Closes the open page; the collected pages stay in the state.
void FinishPclXlJob();
