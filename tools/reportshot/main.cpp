#include "tools/reportshot/ReportShot.h"

int main(int argc, char** argv) {
    return ReportShotMain(argc, argv);
}
