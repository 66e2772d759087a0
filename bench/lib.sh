# Helpers the benchmark scripts share; sourced.

# median < numbers
median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2];
                                      else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# column_of N < lines: the Nth column of each line
column_of() { awk -v c="$1" '{ print $c }'; }
