#include "platform/ListComboFind.h"

namespace ListComboFind {

int ListFind(HWND lstList, const std::wstring& sText, int lStart, short bSelect, short iMode)
{
    const auto text = reinterpret_cast<LPARAM>(sText.c_str());
    if (iMode == -1) {
        const int answer = int(SendMessageW(lstList, LB_FINDSTRINGEXACT, WPARAM(lStart), text));
        if (bSelect != 0) SendMessageW(lstList, LB_SETCURSEL, WPARAM(short(answer)), 0);
        return answer;
    }
    if (iMode == 0) {
        const UINT message = bSelect == -1 ? LB_SELECTSTRING
                           : bSelect == 0  ? LB_FINDSTRING
                                           : WM_NULL;
        return int(SendMessageW(lstList, message, WPARAM(lStart), text));
    }
    return 0;
}

} // namespace ListComboFind
