' Lumetra example: builds a JSON order, prints it, then reads it back.
' Documents live in the server and are addressed by handles (64-bit integers).
' Run it from a command prompt:  cscript //nologo json_order.vbs
Option Explicit
Dim lum, order, items, item, text, doc, lines, i
Set lum = CreateObject("Lumetra.LumetraCOM")

' 1. Build {"cliente":"Ana","total":10.5,"pagado":false,"items":[...]}
WScript.Echo "Building an order..."
order = lum.JSONAddElement(0, "")                ' a new, empty root object
lum.JSONAddNode order, "cliente", "Ana"          ' a string member
lum.JSONAddNodeAsNumber order, "total", 10.5     ' a number member
lum.JSONAddNodeAsBool order, "pagado", False     ' a boolean member
items = lum.JSONAddArray(order, "items")         ' an array member
item = lum.JSONAddArrayElement(items)            ' an object in the array
lum.JSONAddNode item, "sku", "A1"
lum.JSONAddNodeAsNumber item, "unidades", 2
item = lum.JSONAddArrayElement(items)
lum.JSONAddNode item, "sku", "B7"
lum.JSONAddNodeAsNumber item, "unidades", 1
text = lum.JSONFormat(order)
WScript.Echo "Order as JSON: " & text
lum.JSONFree order                               ' frees the root and everything below it

' 2. Parse the text again and read it by key paths.
WScript.Echo "Reading the order back..."
doc = lum.JSONCreate(text)
WScript.Echo "cliente = " & lum.JSONGetNodeValue(doc, "cliente")
WScript.Echo "total = " & lum.JSONGetNodeValue(doc, "total")
lines = lum.JSONArrayCount(lum.JSONGetElement(doc, "items"))
For i = 0 To lines - 1
  WScript.Echo "items[" & i & "]: sku " & lum.JSONGetNodeValue(doc, "items[" & i & "].sku") & _
               ", unidades " & lum.JSONGetNodeValue(doc, "items[" & i & "].unidades")
Next
lum.JSONFree doc
Set lum = Nothing
WScript.Echo "json_order.vbs finished."
