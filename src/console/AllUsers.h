#pragma once
// The verbs over every person's user register (/alle-benutzer): each
// profile's register in place of the running account's HKEY_CURRENT_USER,
// with the main register when the scope takes it. Every record and line
// names the person by the profile's SID and folder; a profile that cannot be
// reached is named with why, and the run ends with ProfileUnreachable unless
// a worse answer is due.
#include "console/Verbs.h"
#include "catalogue/People.h"

namespace AllUsers {

Verbs::Report List(const Arguments::Command& command);
Verbs::Report Check(const Arguments::Command& command);

} // namespace AllUsers
