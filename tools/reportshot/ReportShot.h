// reportshot's command line, callable in-process (its tests run it so).
#pragma once

// reportshot with these arguments (argv[0] the program); its exit status.
int ReportShotMain(int argc, char** argv);
