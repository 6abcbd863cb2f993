/* Prints the standard ASC/ASCQ description table of the installed sg3_utils library, one row a line:
 * "E <asc> <ascq> <text>" for a single code, "R <asc> <ascq min> <ascq max> <text>" for a range. */
#include <stdio.h>

#include <scsi/sg_lib.h>
#include <scsi/sg_lib_data.h>

int main(void) {
    for (const struct sg_lib_asc_ascq_t* e = sg_lib_asc_ascq; e->text != NULL; ++e) {
        printf("E %02X %02X %s\n", e->asc, e->ascq, e->text);
    }
    for (const struct sg_lib_asc_ascq_range_t* r = sg_lib_asc_ascq_range; r->text != NULL; ++r) {
        printf("R %02X %02X %02X %s\n", r->asc, r->ascq_min, r->ascq_max, r->text);
    }
    return 0;
}
