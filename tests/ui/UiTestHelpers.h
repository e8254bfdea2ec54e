#pragma once

#include "ui/kit/UiDarkModeFlag.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>
#include <dlfcn.h>

namespace zobtest
{
/** Sets the colour scheme for one test and puts the previous one back afterwards. */
class ScopedScheme
{
public:
    explicit ScopedScheme (bool dark)
        : previous (uiDarkModeFlag) { uiDarkModeFlag = dark; }
    ~ScopedScheme() { uiDarkModeFlag = previous; }

private:
    bool previous;
};

/** The component painted into a software ARGB image over an opaque background. */
inline juce::Image render (juce::Component& component, juce::Colour background = juce::Colours::white)
{
    juce::Image image (juce::Image::ARGB, component.getWidth(), component.getHeight(), true, juce::SoftwareImageType());
    juce::Graphics g (image);
    g.fillAll (background);
    component.paintEntireComponent (g, true);
    return image;
}

/** Largest per-channel difference between two colours (alpha included). */
inline int colourDistance (juce::Colour a, juce::Colour b)
{
    return juce::jmax (std::abs (a.getRed() - b.getRed()),
                       std::abs (a.getGreen() - b.getGreen()),
                       std::abs (a.getBlue() - b.getBlue()),
                       std::abs (a.getAlpha() - b.getAlpha()));
}

/** A mouse event at position on component, for driving its handlers directly. */
inline juce::MouseEvent mouseEventAt (juce::Component& component, juce::Point<float> position)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position, {}, juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &component, &component, now, position, now, 1, false);
}

/** The same with modifier keys (mouse buttons among them) and an event time. */
inline juce::MouseEvent mouseEventAt (juce::Component& component, juce::Point<float> position, juce::ModifierKeys mods, juce::Time time)
{
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position, mods, juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &component, &component, time, position, time, 1, false);
}

/** Sets the process's current modifier keys for a scope, the way JUCE's event layer does
    while a mouse button is held. */
class ScopedModifiers
{
public:
    explicit ScopedModifiers (juce::ModifierKeys mods)
        : previous (juce::ModifierKeys::currentModifiers) { juce::ModifierKeys::currentModifiers = mods; }
    ~ScopedModifiers() { juce::ModifierKeys::currentModifiers = previous; }

private:
    juce::ModifierKeys previous;
};

/** Makes Xlib ignore protocol errors for the rest of the process, as JUCE does in its own
    standalone app. A desktop without a window manager lacks atoms that JUCE asks for when a
    window goes on screen, and Xlib's default handler would end the test program there. */
inline void ignoreXErrors()
{
    using Handler = int (*) (void* display, void* event);
    using SetHandler = Handler (*) (Handler);

    // JUCE loads the same library; this handle stays open so the handler outlives JUCE's.
    if (auto* x11 = dlopen ("libX11.so.6", RTLD_NOW))
        if (auto* setHandler = reinterpret_cast<SetHandler> (dlsym (x11, "XSetErrorHandler")))
            setHandler ([] (void*, void*)
                        { return 0; });
}

/** Moves the desktop's keyboard focus over an X connection of its own, as a window manager
    does when it activates a window, or another program when it takes the focus (nullptr:
    no window). This program's own connection makes no request for it, so JUCE learns of
    the change only from the focus events it receives. */
inline void moveDesktopFocusTo (void* nativeWindow)
{
    using OpenDisplay = void* (*) (const char*);
    using SetInputFocus = int (*) (void*, unsigned long window, int revertTo, unsigned long time);
    using Sync = int (*) (void*, int discard);
    using CloseDisplay = int (*) (void*);

    auto* x11 = dlopen ("libX11.so.6", RTLD_NOW);

    if (x11 == nullptr)
        return;

    const auto openDisplay = reinterpret_cast<OpenDisplay> (dlsym (x11, "XOpenDisplay"));
    const auto setInputFocus = reinterpret_cast<SetInputFocus> (dlsym (x11, "XSetInputFocus"));
    const auto sync = reinterpret_cast<Sync> (dlsym (x11, "XSync"));
    const auto closeDisplay = reinterpret_cast<CloseDisplay> (dlsym (x11, "XCloseDisplay"));

    if (openDisplay != nullptr && setInputFocus != nullptr && sync != nullptr && closeDisplay != nullptr)
    {
        if (auto* display = openDisplay (nullptr))
        {
            constexpr int revertToParent = 2;
            setInputFocus (display, (unsigned long) reinterpret_cast<juce::pointer_sized_uint> (nativeWindow), revertToParent, 0 /* CurrentTime */);
            sync (display, 0);
            closeDisplay (display);
        }
    }

    dlclose (x11);
}

/** Writes image as a PNG when ZOB_UI_SNAPSHOT_DIR names a folder (for looking at renders). */
inline void saveSnapshot (const juce::Image& image, const juce::String& name)
{
    const auto* folder = std::getenv ("ZOB_UI_SNAPSHOT_DIR");

    if (folder == nullptr || ! juce::File::isAbsolutePath (folder))
        return;

    // Small renders are enlarged pixel for pixel, so they can be inspected.
    const auto scale = juce::jmax (1, 400 / juce::jmax (image.getWidth(), image.getHeight()));
    juce::Image enlarged (juce::Image::ARGB, image.getWidth() * scale, image.getHeight() * scale, false, juce::SoftwareImageType());

    for (int y = 0; y < enlarged.getHeight(); ++y)
        for (int x = 0; x < enlarged.getWidth(); ++x)
            enlarged.setPixelAt (x, y, image.getPixelAt (x / scale, y / scale));

    const auto file = juce::File (folder).getChildFile (name + ".png");
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat().writeImageToStream (enlarged, stream);
}
} // namespace zobtest
