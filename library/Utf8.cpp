#include "library/Utf8.h"

bool isWellFormedUtf8 (const char* bytes, size_t size) noexcept
{
    if (bytes == nullptr)
        return size == 0;

    const auto* text = reinterpret_cast<const unsigned char*> (bytes);
    size_t i = 0;

    while (i < size)
    {
        const auto lead = text[i];

        if (lead < 0x80)
        {
            ++i;
            continue;
        }

        // The number of continuation bytes, and the range the first of them must lie in so
        // that the sequence is neither overlong, a surrogate nor beyond U+10FFFF.
        size_t extra = 0;
        unsigned char low = 0x80, high = 0xbf;

        if (lead >= 0xc2 && lead <= 0xdf)
            extra = 1;
        else if (lead == 0xe0)
            extra = 2, low = 0xa0;
        else if (lead == 0xed)
            extra = 2, high = 0x9f;
        else if (lead >= 0xe1 && lead <= 0xef)
            extra = 2;
        else if (lead == 0xf0)
            extra = 3, low = 0x90;
        else if (lead >= 0xf1 && lead <= 0xf3)
            extra = 3;
        else if (lead == 0xf4)
            extra = 3, high = 0x8f;
        else
            return false;

        if (size - i <= extra || text[i + 1] < low || text[i + 1] > high)
            return false;

        for (size_t k = 2; k <= extra; ++k)
            if ((text[i + k] & 0xc0) != 0x80)
                return false;

        i += extra + 1;
    }

    return true;
}
