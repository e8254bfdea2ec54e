#pragma once

#include <juce_core/juce_core.h>

#include <memory>

/** File operations that never follow a symbolic link and never replace an existing file.

    The drag-out folders live in the temporary folder that every local user shares, and the
    user kick folder is shared by every running instance. There, "pick a free name, then
    write it" must be one step (an exclusive create), and a sweep must neither walk into nor
    delete through a link that someone else planted. The operations work on open directory
    descriptors (POSIX openat and friends) so nothing can be swapped under them between the
    check and the use. All report failure as a value and never throw.
*/
namespace NoFollowFiles
{
/** An owned POSIX file descriptor, closed on destruction; -1 when empty. */
class Descriptor
{
public:
    Descriptor() = default;
    explicit Descriptor (int fd) noexcept
        : handle (fd) {}
    Descriptor (Descriptor&& other) noexcept
        : handle (other.release()) {}
    Descriptor& operator= (Descriptor&& other) noexcept;
    ~Descriptor();

    int get() const noexcept { return handle; }
    bool isValid() const noexcept { return handle >= 0; }
    int release() noexcept;

private:
    int handle = -1;
    JUCE_DECLARE_NON_COPYABLE (Descriptor)
};

/** Opens an existing directory. When followLink is false and the last component of the
    path is a symbolic link (or not a directory), the result is empty. */
Descriptor openDirectory (const juce::File& directory, bool followLink);

/** Opens the directory called name inside parent, creating it first when missing; empty
    when it is a symbolic link, not a directory, or cannot be made. */
Descriptor openOrCreateChildDirectory (const Descriptor& parent, const juce::String& name);

/** The name that the attempt-th try of JUCE's File::getNonexistentChildFile would give
    (attempt 0 is prefix + suffix itself, then the numbered names in JUCE's order). */
juce::String numberedChildName (const juce::String& prefix, const juce::String& suffix, bool putNumbersInBrackets, int attempt);

/** A file that this call created, empty, and that nobody else had a name for. */
struct CreatedFile
{
    Descriptor descriptor; // open for writing
    juce::String name; // file name inside the directory
};

/** Creates the first free name in JUCE's numbering (see numberedChildName) exclusively
    (O_CREAT | O_EXCL | O_NOFOLLOW): a name that exists, as a file, folder or dangling
    link, is never taken, and two processes can never get the same one. An invalid
    descriptor in the result means that no file could be created. */
CreatedFile createFirstFreeChild (const Descriptor& directory,
                                  const juce::String& prefix,
                                  const juce::String& suffix,
                                  bool putNumbersInBrackets);

/** Renames the entry called name inside directory to the first free name in JUCE's
    numbering (see numberedChildName), never replacing anything that exists under that name
    (a file, folder or dangling link); a link is moved as a link. Returns the new name, or
    an empty string when nothing was moved. */
juce::String moveToFirstFreeChild (const Descriptor& directory,
                                   const juce::String& name,
                                   const juce::String& prefix,
                                   const juce::String& suffix,
                                   bool putNumbersInBrackets);

/** Removes a file or link called name inside directory (never what a link points to). */
bool removeChild (const Descriptor& directory, const juce::String& name);

/** Removes the directory called name inside parent with everything in it. Links inside
    are removed as links; nothing outside the tree is ever touched. Returns true when the
    whole tree is gone. */
bool removeTree (const Descriptor& parent, const juce::String& name);

/** One entry of a directory, as lstat sees it. */
struct Entry
{
    juce::String name;
    bool isRegularFile = false;
    bool isDirectory = false; // a real directory, never a link to one
    bool isLink = false;
    juce::int64 modifiedMs = 0; // milliseconds since 1970; 0 when it cannot be read
};

/** The entries of a directory ("." and ".." left out, and names that are not valid
    UTF-8, which no juce::String can hold), in the order it gives them. */
juce::Array<Entry> listEntries (const Descriptor& directory);

/** The owner of an open descriptor matches this process's effective user. */
bool isOwnedByCurrentUser (const Descriptor& descriptor);

/** A seekable output stream writing to a descriptor it owns. Any failed write or seek is
    remembered in the status flag that the creator passes in and keeps after the stream
    is gone (an audio writer that owns the stream reports no errors of its own when it
    completes the file in its destructor). */
class DescriptorOutputStream : public juce::OutputStream
{
public:
    DescriptorOutputStream (Descriptor descriptor, std::shared_ptr<bool> failedFlag);

    void flush() override;
    bool setPosition (juce::int64 newPosition) override;
    juce::int64 getPosition() override { return position; }
    bool write (const void* data, size_t numBytes) override;

private:
    Descriptor descriptor;
    std::shared_ptr<bool> failed;
    juce::int64 position = 0;
};
} // namespace NoFollowFiles
