#include "common/Edition.h"

const Edition kEditionKcsakura = {"kcsakura", 4, {"kcsakura.env", false}, "記帳丸２２ さくら版"};
const Edition kEditionKcqb7 = {"kcqb7", 5, {"kcqb7.env", false}, "QB7"};
const Edition kEditionKcneo = {"kcneo", 3, {"kcneo.env", true}, "記帳丸２２ NEO"};
const Edition kEditionKcstd = {"kcstd", 0, {"kcstd.env", false}, "記帳丸２２"};
