#include "window/SplitIP.h"

bool SplitIPText(const QString& IPAddress, QString& Part1, QString& Part2, QString& Part3, QString& Part4)
{
    Part1.clear();
    Part2.clear();
    Part3.clear();
    Part4.clear();
    if (IPAddress.isEmpty()) return false;
    QString rest = IPAddress;
    for (QString* part : {&Part1, &Part2, &Part3}) {
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        if (dot < 0) continue;
        *part = rest.left(dot);
        rest.remove(0, dot + 1);
    }
    if (!rest.isEmpty()) Part4 = rest;
    return !Part1.isEmpty() && !Part2.isEmpty() && !Part3.isEmpty() && !Part4.isEmpty();
}
