// Imports bcrypt.dll statically, as the programs once did: started beside a
// planted copy, it loads that copy. The control that shows a planted copy
// is loaded where nothing keeps it out.
#include <windows.h>

#include <bcrypt.h>

int main()
{
    // Only the import is wanted; the planted copy has nothing to call.
    volatile auto keep = &BCryptOpenAlgorithmProvider;
    (void)keep;
    return 0;
}
