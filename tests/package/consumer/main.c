/* Prints the POSIX checksum (the CRC of `cksum`), the size and the name of every copy of the data
 * that bin2src embedded, one a line; and fails when one is not aligned as asked. */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

struct Embedded {
    const char *name;
    const unsigned char *bytes;
    size_t size;
    size_t alignment;
};
#include "embedded.h"

/* The system's math.h, not the data of that name, which is bin2src/math.h. */
static const double huge = HUGE_VAL;

static uint32_t crc_step(uint32_t crc, uint8_t byte)
{
    crc ^= (uint32_t)byte << 24;
    for (int bit = 0; bit < 8; bit++)
        crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    return crc;
}

int main(void)
{
    int status = huge > 0 ? 0 : 1;
    for (size_t e = 0; e < sizeof embedded / sizeof *embedded; e++) {
        uint32_t crc = 0;
        size_t size = embedded[e].size;
        for (size_t i = 0; i < size; i++)
            crc = crc_step(crc, embedded[e].bytes[i]);
        /* Then the length, least significant byte first, as many bytes as it takes. */
        for (size_t n = size; n != 0; n >>= 8)
            crc = crc_step(crc, (uint8_t)n);
        printf("%lu %lu %s\n", (unsigned long)~crc, (unsigned long)size, embedded[e].name);
        if ((uintptr_t)embedded[e].bytes % embedded[e].alignment != 0) {
            printf("%s is not aligned to %lu bytes\n", embedded[e].name, (unsigned long)embedded[e].alignment);
            status = 1;
        }
    }
    return status;
}
