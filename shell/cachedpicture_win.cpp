#include "cachedpicture.h"

#include <QDir>

#include <windows.h>

CachedPicture::Stamp CachedPicture::stampOf(const QString &path)
{
    Stamp stamp;
    // As inode and ctime on Unix: the file index and the change time, which
    // a copy that keeps its source's time or an overwrite in place still moves.
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
                                    FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return stamp;
    BY_HANDLE_FILE_INFORMATION identity{};
    FILE_BASIC_INFO times{};
    const bool known = GetFileInformationByHandle(file, &identity)
        && GetFileInformationByHandleEx(file, FileBasicInfo, &times, sizeof times);
    CloseHandle(file);
    if (!known)
        return stamp;
    stamp.exists = true;
    stamp.bytes = (qint64(identity.nFileSizeHigh) << 32) | identity.nFileSizeLow;
    stamp.inode = (quint64(identity.nFileIndexHigh) << 32) | identity.nFileIndexLow;
    stamp.device = identity.dwVolumeSerialNumber;
    // A zero or out-of-range time (some network and FAT file systems) is held
    // within range, never multiplied past it.
    stamp.modifiedNs = nsSince1970(times.LastWriteTime.QuadPart);
    stamp.changedNs = nsSince1970(times.ChangeTime.QuadPart);
    return stamp;
}
