// The program users install: the start and nothing else.
#include "app/ProgramStart.h"

int main(int argc, char** argv) { return q17::app::RunProgram(argc, argv); }
