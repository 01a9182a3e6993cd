/* Prints the sum of the embedded bytes. */
#include <stddef.h>
#include <stdio.h>

#ifdef OBJCOPY
/* objcopy's symbols for the file data.bin. */
#ifdef __cplusplus
extern "C" {
#endif
extern const unsigned char _binary_data_bin_start[], _binary_data_bin_end[];
#ifdef __cplusplus
}
#endif
#define data _binary_data_bin_start
#define data_len ((size_t)(_binary_data_bin_end - _binary_data_bin_start))
#else
#include "bin2src/data.h"
#endif

int main(void)
{
    unsigned long sum = 0;
    size_t i;
    for (i = 0; i < data_len; i++)
        sum += data[i];
    printf("%lu %lu\n", sum, (unsigned long)data_len);
    return 0;
}
