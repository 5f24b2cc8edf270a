#include "platform/Dateiexistenz.h"

#include "platform/Handles.h"

namespace Dateiexistenz {

bool FileExists(const std::wstring& sPath)
{
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(sPath.c_str(), &data));
    return bool(find);
}

} // namespace Dateiexistenz
