/* libplist-parse: parses one property-list file with Debian's libplist, as a peer of the widget's reader.
 *
 *   libplist-parse FILE
 *
 * Reads FILE whole, parses it with plist_from_bin or plist_from_xml (chosen by the "bplist00" magic),
 * checks that a value came out and frees everything. Exit status 0 when it parsed, 1 otherwise. */
#include <plist/plist.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: libplist-parse FILE\n");
    return 2;
  }
  FILE* file = fopen(argv[1], "rb");
  if (!file) {
    perror(argv[1]);
    return 1;
  }
  if (fseek(file, 0, SEEK_END) != 0) return 1;
  long size = ftell(file);
  if (size < 0 || (unsigned long)size > UINT32_MAX || fseek(file, 0, SEEK_SET) != 0) return 1;
  char* bytes = malloc(size > 0 ? (size_t)size : 1);
  if (!bytes || fread(bytes, 1, (size_t)size, file) != (size_t)size) {
    fprintf(stderr, "%s: cannot read\n", argv[1]);
    return 1;
  }
  fclose(file);

  plist_t root = NULL;
  if (size >= 8 && memcmp(bytes, "bplist00", 8) == 0)
    plist_from_bin(bytes, (uint32_t)size, &root);
  else
    plist_from_xml(bytes, (uint32_t)size, &root);
  free(bytes);
  if (!root || plist_get_node_type(root) != PLIST_DICT) {
    fprintf(stderr, "%s: libplist could not parse it\n", argv[1]);
    if (root) plist_free(root);
    return 1;
  }
  plist_free(root);
  return 0;
}
