#include "app/application.h"

int main(int argc, char** argv) { return vintrel::app::run(argc, argv); }
