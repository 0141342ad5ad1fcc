// Splitting a dotted address text into its four parts, apart from the window
// so that it can be checked on any input.
#pragma once

#include <QString>

// The texts before the first, second and third dot and everything after the
// third; a part without its dot stays empty. True only when all four parts
// are non-empty. Nothing is trimmed or checked for being a number.
bool SplitIPText(const QString& IPAddress, QString& Part1, QString& Part2, QString& Part3, QString& Part4);
