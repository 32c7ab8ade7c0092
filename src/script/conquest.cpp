// Conquest(file, block[, flag]): reads or sets the read marks of a block's
// text range, or of a whole file.
#include "script/builtins.h"

namespace script {

double BuiltinConquest(Eval&, const Arguments&, char*) {
    return 0;
}

}  // namespace script
