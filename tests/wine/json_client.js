// Late-bound JScript client: build a document, navigate and read, format and
// free, Base64 files, Version, and the automation error as a JScript exception.
// Prints one FAIL line per failed check and OK at the end.
var failures = 0;
function check(name, actual, expected) {
  if (actual !== expected) {
    failures++;
    WScript.Echo("FAIL: " + name + ": got [" + actual + "] (" + typeof actual + "), expected [" + expected + "]");
  }
}

var o = new ActiveXObject("Lumetra.LumetraCOM");
var root = o.JSONCreate('{"pedido":{"id":7,"items":[{"sku":"A1"},{"sku":"B2"}]},"pagado":false}');
check("JSONGetNodeValue path", o.JSONGetNodeValue(root, "pedido.id"), "7");
check("JSONGetNodeValue false", o.JSONGetNodeValue(root, "pagado"), false);
var items = o.JSONGetElement(root, "pedido.items");
check("JSONArrayCount", o.JSONArrayCount(items), 2);
var second = o.JSONGetArrayElement(items, 1);
check("element member", o.JSONGetNodeValue(second, "sku"), "B2");
check("JSONCount", o.JSONCount(root), 2);
check("JSONIsArray", o.JSONIsArray(items), true);
check("JSONIsObject", o.JSONIsObject(items), false);
var pair = o.JSONGetPair(root, 1);
check("JSONGetPairKey", o.JSONGetPairKey(pair), "pagado");
check("JSONGetPairValue", o.JSONGetNodeValue(o.JSONGetPairValue(pair), ""), false);
check("lower-case name", o.jsoncount(root), 2);

var doc = o.JSONAddElement(0, "");
o.JSONAddNode(doc, "cliente", "Jos\u00e9");
o.JSONAddNodeAsNumber(doc, "total", 10.25);
o.JSONAddNodeAsBool(doc, "urgente", true);
var lines = o.JSONAddArray(doc, "lineas");
var line = o.JSONAddArrayElement(lines);
o.JSONAddNode(line, "n", 1);
o.JSONAddArrayElementNested(lines, "nota");
// Characters beyond ASCII are written as \u escapes.
check("JSONFormat", o.JSONFormat(doc), '{"cliente":"Jos\\u00E9","total":10.25,"urgente":true,"lineas":[{"n":"1"},"nota"]}');
o.JSONFree(doc);
o.JSONFree(root);
check("freed handle", o.JSONCount(root), 0);

try {
  o.JSONGetPairValue(null);
  check("JSONGetPairValue(null) throws", "no exception", "exception");
} catch (e) {
  check("error number", e.number, 0x8000FFFF - 0x100000000);
  check("error description", e.description, "Could not convert variant of type (Null) into type (Int64)");
}

var folder = WScript.Arguments(0);
check("EncodeBase64", o.EncodeBase64("a\u00f1o", folder + "\\js.b64"), false);
var fso = new ActiveXObject("Scripting.FileSystemObject");
var f = fso.OpenTextFile(folder + "\\js.b64", 1);
check("EncodeBase64 file (UTF-8 bytes)", f.ReadAll(), "YcOxbw==");
f.Close();
check("DecodeBase64", o.DecodeBase64("SG9sYQ==", folder + "\\js.txt"), false);
check("Version", o.Version(), "1.0.002");

// Release the object before WScript.Quit, which ends the process at once.
o = null;
CollectGarbage();
if (failures == 0) WScript.Echo("OK jscript");
WScript.Quit(failures);
