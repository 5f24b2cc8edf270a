#pragma once
// People's profiles in numbers, made the way the machine makes them, for
// timing the verbs over every person's register: an entry under ProfileList
// naming a folder, and in it an NTUSER.DAT saved from a scratch key. None is
// loaded; each is a hive the program has to load and give back.
#include <string>

namespace bench {

// Makes count profiles below folder, each holding products products
// ("Produkt 00", ...) with both values. Prints "profiles N" or "error WHY".
int MakeProfiles(const std::wstring& folder, int count, int products);

// Takes the count profiles away again: their entries and their folders.
// Prints "left_loaded N", the hives still loaded under HKEY_USERS, which the
// program must have given back.
int RemoveProfiles(const std::wstring& folder, int count);

} // namespace bench
