// mkgprsmdb OUTPUT: writes the template database gprs.mdb. Run by the build.

#include "JetDb.h"

#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkgprsmdb OUTPUT\n");
        return 2;
    }
    jetdb::Error err;
    if (!jetdb::createTemplate(QString::fromLocal8Bit(argv[1]), &err)) {
        std::fprintf(stderr, "mkgprsmdb: %s\n", err.text.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
