#pragma once

#include <juce_core/juce_core.h>

#include <ostream>

// Readable GoogleTest failure messages for JUCE values.
namespace juce
{
inline void PrintTo (const String& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo (const StringArray& strings, std::ostream* out)
{
    *out << '{';

    for (int i = 0; i < strings.size(); ++i)
        *out << (i > 0 ? ", \"" : "\"") << strings[i].toStdString() << '"';

    *out << '}';
}

inline void PrintTo (const File& file, std::ostream* out)
{
    *out << file.getFullPathName().toStdString();
}
} // namespace juce
