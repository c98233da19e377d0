#pragma once

// The size limits of a window that the settings component can impose; 0
// means no limit. The maximised position and size are the window system's
// business here and are kept only as values.
struct TWinMinMaxInfo
{
    int MaxPosLeft = 0;
    int MaxPosTop = 0;
    int MaxSizeHeight = 0;
    int MaxSizeWidth = 0;
    int MaxTrackHeight = 0;
    int MaxTrackWidth = 0;
    int MinTrackHeight = 0;
    int MinTrackWidth = 0;

    bool isDefault() const
    {
        return MaxPosLeft == 0 && MaxPosTop == 0 && MaxSizeHeight == 0 && MaxSizeWidth == 0 && MaxTrackHeight == 0
            && MaxTrackWidth == 0 && MinTrackHeight == 0 && MinTrackWidth == 0;
    }
};
