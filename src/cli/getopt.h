// The program's own option scanner: one option letter per call, options
// before all other arguments, letters groupable, an option's argument either
// attached (-s3) or the next argument (-s 3). Its state is process-wide and
// shared with the caller, in the manner of the traditional getopt, but its
// behaviour is this program's and does not follow any C library's variant.
#ifndef VEXTOR_CLI_GETOPT_H
#define VEXTOR_CLI_GETOPT_H

namespace vx {

// Index of the argument being scanned or to be scanned next; after a -1
// result, the first argument that is not an option.
extern int optind;
// Position of the next option character within argument `optind`; 1 means
// the scanner stands at the start of an argument.
extern int optpos;
// The argument of the letter just returned (pointing into the argument
// vector), null after a letter without one.
extern char* optarg;
// The character examined by the last call that examined one, widened from a
// signed byte, so a byte of 128 or more is negative.
extern int optopt;
// While nonzero, errors are reported on the error console.
extern int opterr;

// Returns the next option letter of `optstring`, '?' for an illegal
// character or a missing argument (and for the letter '?' itself), or -1 at
// the end of the options. A letter followed by ':' in `optstring` takes an
// argument; ':' itself is never an option letter.
int getopt(int argc, char* const* argv, const char* optstring);

// Puts the scanner back into its start state. The program scans once per
// process; only tests call this, to run several scans in one process.
void ResetOptionScannerForTesting();

}  // namespace vx

#endif  // VEXTOR_CLI_GETOPT_H
