#pragma once

#include <QtGlobal>

// A colour as the register's components store it: 0x00BBGGRR.
using TColor = quint32;

constexpr TColor clWhite = 16777215;
constexpr TColor clSilver = 12632256;
