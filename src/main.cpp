#include "app/not_double.h"

int main(int argc, char* argv[]) {
    return NotDouble::Main(argc, argv);
}
