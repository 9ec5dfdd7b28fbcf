#include <cstdio>

int main(int argc, char** argv) {
  std::fprintf(stderr, "velkplayer: no game found\n");
  return 1;
}
