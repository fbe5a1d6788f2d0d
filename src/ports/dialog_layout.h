#pragma once

// Geometry shared by the two port dialogs: one group of five labelled
// boxes, and the lamp and buttons below it.

#include "toolkit/types.h"

namespace varnel::ports::layout {

inline constexpr int GroupWidth = 232;
inline constexpr int GroupHeight = 166;
inline constexpr int LabelLeft = 12;
inline constexpr int LabelWidth = 76;
inline constexpr int BoxLeft = 96;
inline constexpr int BoxWidth = 120;
inline constexpr int RowTop = 22;
inline constexpr int RowPitch = 28;
inline constexpr int RowHeight = 22;
inline constexpr int ButtonWidth = 80;
inline constexpr int ButtonHeight = 28;
inline constexpr int LampSize = 20;

constexpr tk::Rect labelRow(int row)
{
    return {LabelLeft, RowTop + row * RowPitch + 3, LabelWidth, 18};
}

constexpr tk::Rect boxRow(int row)
{
    return {BoxLeft, RowTop + row * RowPitch, BoxWidth, RowHeight};
}

}  // namespace varnel::ports::layout
