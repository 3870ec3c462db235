/* A C program that uses the installed libkorvalind through pkg-config:
 *
 *   cc -std=c99 lookup.c $(pkg-config --cflags --libs korvalind) -o lookup
 *   ./lookup [--directory FILE] TEXT...
 *
 * Prints one tab-separated line per TEXT: the text, the status and the five answer fields. Exit
 * status 0 when every text was found, 1 otherwise, 2 when the directory cannot be opened. */
#include <korvalind/korvalind.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
  const char* path = NULL;
  int first = 1;
  if (argc > 2 && strcmp(argv[1], "--directory") == 0) {
    path = argv[2];
    first = 3;
  }
  korvalind_directory* directory = NULL;
  korvalind_error error;
  if (korvalind_open(path, &directory, &error) != KORVALIND_OK) {
    fprintf(stderr, "lookup: %s\n", error.message);
    return 2;
  }
  int all_found = 1;
  for (int i = first; i < argc; ++i) {
    korvalind_answer answer;
    korvalind_status status =
        korvalind_lookup(directory, argv[i], strlen(argv[i]), KORVALIND_ANY_PREFIX, &answer);
    printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\n", argv[i], korvalind_status_name(status), answer.province,
           answer.city, answer.sim_type, answer.area_code, answer.post_code);
    all_found &= status == KORVALIND_OK;
  }
  korvalind_close(directory);
  return all_found ? 0 : 1;
}
