// Runs the conversion cases of tests/conversions/conversion_cases.tsv (path in
// the first argument) through the registered server from JScript, for the
// kinds JScript makes: strings, numbers (integers arrive as Integer, the rest
// as Double), booleans, null and undefined (Empty). Handles arrive in JScript
// as 64-bit integers, which it passes on but cannot turn into text, so the
// cases with "$p" are left to the VBScript client. Prints one FAIL line per
// case whose result differs from the table's, and OK at the end.
var o = new ActiveXObject("Lumetra.LumetraCOM");
var failures = 0, count = 0;

function makeValue(kind, literal) {
  switch (kind) {
    case "BStr": return { value: literal };
    case "Empty": return { value: undefined };
    case "Null": return { value: null };
    case "Bool": return { value: literal == "True" };
    case "I4": return { value: parseInt(literal, 10) };
    case "R8": return { value: parseFloat(literal) };
    default: return null;  // a kind JScript does not make
  }
}

function observe(observer, value) {
  if (observer == "handle") {
    try {
      var r = o.JSONGetPairKey(value);
      return "8|" + r;
    } catch (e) {
      return "error|" + e.description;
    }
  }
  var doc = o.JSONCreate("{}");
  if (observer == "number") o.JSONAddNodeAsNumber(doc, "v", value);
  if (observer == "bool") o.JSONAddNodeAsBool(doc, "v", value);
  if (observer == "text") o.JSONAddNodeAsBool(doc, value, true);
  var text = o.JSONFormat(doc);
  o.JSONFree(doc);
  return text;
}

var fso = new ActiveXObject("Scripting.FileSystemObject");
var stream = fso.OpenTextFile(WScript.Arguments(0), 1);
var number = 0;
while (!stream.AtEndOfStream) {
  var line = stream.ReadLine();
  number++;
  if (line.length == 0 || line.charAt(0) == "#") continue;
  var columns = line.split("\t");
  if (columns[2].indexOf("$p") >= 0) continue;
  var made = makeValue(columns[1], columns[2]);
  if (made == null) continue;
  var expected = columns.length > 3 ? columns[3] : "";
  var got = observe(columns[0], made.value);
  count++;
  if (got != expected) {
    failures++;
    WScript.Echo("FAIL: line " + number + " (" + columns[0] + " " + columns[1] + " [" + columns[2] + "]): got [" +
                 got + "], expected [" + expected + "]");
  }
}
stream.Close();
if (failures == 0) WScript.Echo("OK " + count + " calls");
