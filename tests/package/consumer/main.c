/* Prints the POSIX checksum (the CRC of `cksum`) and the size of the bytes bin2src embedded. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

typedef unsigned char BYTE;
#include "payload.c"
;
#include "payload_def.h"

static uint32_t crc_step(uint32_t crc, uint8_t byte)
{
    crc ^= (uint32_t)byte << 24;
    for (int bit = 0; bit < 8; bit++)
        crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    return crc;
}

int main(void)
{
    uint32_t crc = 0;
    size_t size = sizeof payload;
    if (payload_def_len != size || memcmp(payload_def, payload, size) != 0) {
        printf("the C source's %lu bytes are not the window's text's %lu\n", (unsigned long)payload_def_len,
               (unsigned long)size);
        return 1;
    }
    for (size_t i = 0; i < size; i++)
        crc = crc_step(crc, payload[i]);
    /* Then the length, least significant byte first, as many bytes as it takes. */
    for (size_t n = size; n != 0; n >>= 8)
        crc = crc_step(crc, (uint8_t)n);
    printf("%lu %zu\n", (unsigned long)~crc, size);
    return 0;
}
