#pragma once
// Stand-in for the per-thread initialisation of the component library: the first
// initialisation on a thread succeeds, a repeated one reports that it was already
// done; each is balanced by one release.

namespace zalvert {

enum class TComInitResult { Ok, AlreadyInitialized, Failed };

TComInitResult ComInitialize();
void ComUninitialize();
// How many initialisations this thread holds.
int ComInitCount();
// Makes the next initialisations fail, for tests.
void SetComFailureForTesting(bool fail);

}  // namespace zalvert
