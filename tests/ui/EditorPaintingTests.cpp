// The painted canvas of the real editor, in both colour schemes.

#include "ui/EditorFixture.h"
#include "ui/kit/Palette.h"

#include <gtest/gtest.h>

TEST (EditorPainting, CanvasInBothSchemes)
{
    for (const auto dark : { false, true })
    {
        zobtest::EditorFixture fixture;
        fixture.editor->setDarkMode (dark);
        const auto image = zobtest::render (fixture.content());
        zobtest::saveSnapshot (image, dark ? "canvas-dark" : "canvas-light");
        EXPECT_EQ (image.getWidth(), 400);
    }
}
