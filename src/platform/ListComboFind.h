#pragma once
#include <windows.h>
#include <string>

namespace ListComboFind {

// Searches sText in a list box through its own messages, starting after
// lStart (-1: the whole list), without regard to case.
//   iMode -1: exact match (LB_FINDSTRINGEXACT); bSelect != 0 then also
//             selects the answer (-1 clears the selection).
//   iMode  0: prefix match; bSelect -1 selects it (LB_SELECTSTRING),
//             bSelect 0 only finds it (LB_FINDSTRING), any other bSelect
//             searches nothing and answers 0.
//   other iMode: nothing is sent; the answer is 0.
// The answer is the zero-based index of the match or LB_ERR (-1).
int ListFind(HWND lstList, const std::wstring& sText, int lStart, short bSelect, short iMode);

} // namespace ListComboFind
