#include "library/NoFollowFiles.h"
#include "library/FileNames.h"
#include "library/Utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace NoFollowFiles
{
namespace
{
    constexpr int maximumNameAttempts = 10000;
    constexpr int maximumTreeDepth = 64; // a deeper tree is left alone rather than recursed into
    constexpr mode_t newFileMode = 0666; // narrowed by the umask, as for any new file
    constexpr mode_t newFolderMode = 0777;

    juce::int64 modificationMs (const struct stat& info)
    {
        return (juce::int64) info.st_mtim.tv_sec * 1000 + (juce::int64) (info.st_mtim.tv_nsec / 1000000);
    }

    Descriptor openChildDirectory (int parentFd, const char* name)
    {
        return Descriptor (::openat (parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }

    bool removeTreeAt (int parentFd, const char* name, int depth)
    {
        if (depth > maximumTreeDepth)
            return false;

        auto directory = openChildDirectory (parentFd, name);

        if (! directory.isValid())
            return false;

        auto worked = true;

        for (const auto& entry : listEntries (directory))
        {
            const auto* childName = entry.name.toRawUTF8();

            if (entry.isDirectory)
                worked = removeTreeAt (directory.get(), childName, depth + 1) && worked;
            else
                worked = ::unlinkat (directory.get(), childName, 0) == 0 && worked;
        }

        directory = {};
        return ::unlinkat (parentFd, name, AT_REMOVEDIR) == 0 && worked;
    }
} // namespace

//==============================================================================
Descriptor& Descriptor::operator= (Descriptor&& other) noexcept
{
    if (this != &other)
    {
        if (handle >= 0)
            ::close (handle);

        handle = other.release();
    }

    return *this;
}

Descriptor::~Descriptor()
{
    if (handle >= 0)
        ::close (handle);
}

int Descriptor::release() noexcept
{
    const auto fd = handle;
    handle = -1;
    return fd;
}

//==============================================================================
Descriptor openDirectory (const juce::File& directory, bool followLink)
{
    const auto flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    return Descriptor (::open (directory.getFullPathName().toRawUTF8(), flags));
}

Descriptor openOrCreateChildDirectory (const Descriptor& parent, const juce::String& name)
{
    if (! parent.isValid() || ! isPlainFileName (name))
        return {};

    ::mkdirat (parent.get(), name.toRawUTF8(), newFolderMode); // fails harmlessly when it exists
    return openChildDirectory (parent.get(), name.toRawUTF8());
}

juce::String numberedChildName (const juce::String& prefix, const juce::String& suffix, bool putNumbersInBrackets, int attempt)
{
    if (attempt <= 0)
        return prefix + suffix;

    // The same numbering as File::getNonexistentChildFile: a bracketed number already at
    // the end is counted on from, a name ending in ")" is numbered in brackets, and a
    // name ending in a digit gets an underscore before its number.
    auto number = 1;
    auto base = prefix;

    if (base.trim().endsWithChar (')'))
    {
        putNumbersInBrackets = true;

        const auto openBracket = base.lastIndexOfChar ('(');
        const auto closeBracket = base.lastIndexOfChar (')');

        if (openBracket > 0
            && closeBracket > openBracket
            && base.substring (openBracket + 1, closeBracket).containsOnly ("0123456789"))
        {
            number = base.substring (openBracket + 1, closeBracket).getIntValue();
            base = base.substring (0, openBracket);
        }
    }

    number += attempt;

    if (putNumbersInBrackets)
        return base + "(" + juce::String (number) + ")" + suffix;

    if (juce::CharacterFunctions::isDigit (base.getLastCharacter()))
        base << '_';

    return base + juce::String (number) + suffix;
}

CreatedFile createFirstFreeChild (const Descriptor& directory,
                                  const juce::String& prefix,
                                  const juce::String& suffix,
                                  bool putNumbersInBrackets)
{
    CreatedFile created;

    if (! directory.isValid())
        return created;

    for (int attempt = 0; attempt < maximumNameAttempts; ++attempt)
    {
        const auto name = numberedChildName (prefix, suffix, putNumbersInBrackets, attempt);

        if (! isPlainFileName (name))
            return created;

        const auto fd = ::openat (directory.get(),
                                  name.toRawUTF8(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                  newFileMode);

        if (fd >= 0)
        {
            created.descriptor = Descriptor (fd);
            created.name = name;
            return created;
        }

        if (errno != EEXIST)
            return created;
    }

    return created;
}

juce::String moveToFirstFreeChild (const Descriptor& directory,
                                   const juce::String& name,
                                   const juce::String& prefix,
                                   const juce::String& suffix,
                                   bool putNumbersInBrackets)
{
    if (! directory.isValid() || ! isPlainFileName (name))
        return {};

    const auto fd = directory.get();

    for (int attempt = 0; attempt < maximumNameAttempts; ++attempt)
    {
        const auto target = numberedChildName (prefix, suffix, putNumbersInBrackets, attempt);

        if (! isPlainFileName (target) || target == name)
            return {};

        if (::renameat2 (fd, name.toRawUTF8(), fd, target.toRawUTF8(), RENAME_NOREPLACE) == 0)
            return target;

        if (errno == EEXIST)
            continue;

        if (errno != EINVAL && errno != ENOSYS)
            return {};

        // A file system without an exclusive rename: a new hard link never replaces a name either.
        if (::linkat (fd, name.toRawUTF8(), fd, target.toRawUTF8(), 0) == 0)
        {
            ::unlinkat (fd, name.toRawUTF8(), 0);
            return target;
        }

        if (errno != EEXIST)
            return {};
    }

    return {};
}

bool removeChild (const Descriptor& directory, const juce::String& name)
{
    return directory.isValid() && ::unlinkat (directory.get(), name.toRawUTF8(), 0) == 0;
}

bool removeTree (const Descriptor& parent, const juce::String& name)
{
    if (! parent.isValid() || name.isEmpty() || name.containsChar ('/') || name == "." || name == "..")
        return false;

    return removeTreeAt (parent.get(), name.toRawUTF8(), 0);
}

juce::Array<Entry> listEntries (const Descriptor& directory)
{
    juce::Array<Entry> entries;

    if (! directory.isValid())
        return entries;

    // fdopendir takes over the descriptor it is given, so hand it a copy.
    const auto copy = ::fcntl (directory.get(), F_DUPFD_CLOEXEC, 0);

    if (copy < 0)
        return entries;

    auto* stream = ::fdopendir (copy);

    if (stream == nullptr)
    {
        ::close (copy);
        return entries;
    }

    ::rewinddir (stream);

    while (auto* item = ::readdir (stream))
    {
        // A name that is not UTF-8 cannot become a juce::String safely, and nothing
        // could name it through a juce::File: leave it out.
        const auto length = std::strlen (item->d_name);

        if (length > (size_t) std::numeric_limits<int>::max() || ! isWellFormedUtf8 (item->d_name, length))
            continue;

        const auto name = juce::String::fromUTF8 (item->d_name, (int) length);

        if (name == "." || name == "..")
            continue;

        Entry entry;
        entry.name = name;
        struct stat info;

        if (::fstatat (directory.get(), item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0)
        {
            entry.isRegularFile = S_ISREG (info.st_mode);
            entry.isDirectory = S_ISDIR (info.st_mode);
            entry.isLink = S_ISLNK (info.st_mode);
            entry.modifiedMs = modificationMs (info);
        }

        entries.add (entry);
    }

    ::closedir (stream);
    return entries;
}

bool isOwnedByCurrentUser (const Descriptor& descriptor)
{
    struct stat info;
    return descriptor.isValid() && ::fstat (descriptor.get(), &info) == 0 && info.st_uid == ::geteuid();
}

//==============================================================================
DescriptorOutputStream::DescriptorOutputStream (Descriptor fd, std::shared_ptr<bool> failedFlag)
    : descriptor (std::move (fd))
    , failed (std::move (failedFlag))
{
    if (! descriptor.isValid())
        *failed = true;
}

void DescriptorOutputStream::flush() {}

bool DescriptorOutputStream::setPosition (juce::int64 newPosition)
{
    if (::lseek (descriptor.get(), (off_t) newPosition, SEEK_SET) < 0)
    {
        *failed = true;
        return false;
    }

    position = newPosition;
    return true;
}

bool DescriptorOutputStream::write (const void* data, size_t numBytes)
{
    const auto* bytes = static_cast<const char*> (data);

    while (numBytes > 0)
    {
        const auto written = ::write (descriptor.get(), bytes, numBytes);

        if (written < 0 && errno == EINTR)
            continue;

        if (written <= 0)
        {
            *failed = true;
            return false;
        }

        bytes += written;
        numBytes -= (size_t) written;
        position += written;
    }

    return true;
}
} // namespace NoFollowFiles
