#pragma once
// Whether the program may change the main register. The console program
// asks for no elevation (a prompt would open a console of its own and lose
// the output), so without an administrator's rights it says so up front
// instead of listing nothing or keeping every key.
namespace Rights {

// True when the main register's product root (either view) is there but
// cannot be opened with full access: the listing, the deletion and an
// import into the main register would be refused.
bool MainRegisterDenied();

} // namespace Rights
