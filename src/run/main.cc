// nettell: asks the host resolver about one host and prints the answer.
#include <unistd.h>

#include "console/console.h"
#include "run/run.h"

int main(int argc, char** argv) {
  ConsoleStart(STDOUT_FILENO);
  int status = RunNettell(argc, argv);
  if (!ConsoleFinish() && status == ExitOk) status = ExitFailure;
  return status;
}
