#pragma once
// The screens and passages of a KMC file, as the conversion library's own parser reads them:
// what a picture of the configuration needs and the 920-byte image does not carry (screen
// numbers, resolutions, the passages' order in the file).

#include <QByteArray>
#include <QList>
#include <QString>

struct LayoutScreen
{
    int port, screen;
    int x, y, width, height; // pixels, as the file places them on its port's desktop
};

struct LayoutPassageEnd
{
    int port, screen;
    char side; // 'T', 'B', 'L' or 'R'
    int from, to;
};

struct LayoutPassage
{
    int number; // 1 for the first passage line of the file
    LayoutPassageEnd ends[2];
};

struct KmcLayout
{
    int ports = 0;
    QList<LayoutScreen> screens;
    QList<LayoutPassage> passages;
};

// Parses the file at `path` (its bytes, as the library takes them) for a switch of `ports` ports; false when the parser refuses the file (the
// conversion library gives the verdict and its message; this only reads the tables).
bool readKmcLayout(const QByteArray& path, int ports, KmcLayout& layout);
