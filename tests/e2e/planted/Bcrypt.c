/* A bcrypt.dll as someone who may write in the program's folder would put
   it there: it exports nothing the program needs, and leaves
   "bcrypt.dll.loaded" beside itself the moment a process loads it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(self, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcpyW(marker + length, L".loaded");
    const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    /* The marker's presence is the message; a failure to close it changes nothing. */
    if (file != INVALID_HANDLE_VALUE) (void)CloseHandle(file);
    return TRUE;
}
