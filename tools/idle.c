/* Holds the wineserver of a test run warm. Ends by itself after an hour so a
 * run that forgot it cannot leave it behind for ever. */
#include <windows.h>

int main(void) {
    Sleep(60 * 60 * 1000);
    return 0;
}
