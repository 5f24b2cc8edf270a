// Takes a file's fingerprint as the restore files list takes it, from
// wherever it is started. Exits 0 when the digest is the one expected, 1
// when no fingerprint could be taken, 2 when it is another, 3 when the
// command line is not a file and a digest.
#include "removal/RestoreFile.h"

#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) return 3;
    const FileHandle held = RestoreFile::OpenHeld(argv[1]);
    std::string bytes;
    RestoreFile::Fingerprint fingerprint;
    if (!held || !RestoreFile::ReadBytes(held.get(), bytes)
        || !RestoreFile::FingerprintOf(held.get(), bytes, fingerprint))
        return 1;
    std::wstring hex;
    for (unsigned char b : fingerprint.digest) hex += {L"0123456789abcdef"[b >> 4], L"0123456789abcdef"[b & 15]};
    return hex == argv[2] ? 0 : 2;
}
