#include "app/shell.h"

int main(int argc, char** argv) { return platform::win32::runWinMain(argc, argv, WinMain); }
