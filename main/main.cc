#include "main/run.h"

int main(int argc, char** argv) { return trackmend::runTrackmend(argc, argv); }
