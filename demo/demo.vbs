' The demo's script client of Lumetra.LumetraCOM, run by scripts/demo.sh with
' "wine cscript" against the installed server. It builds and reads a JSON
' order, parses and walks a document, updates a dataset packet with DSToJSON
' ("C", "M", "D"), mails the order over STARTTLS with AUTH LOGIN, writes
' Base64 files and asks for the version, echoing what each call gave.
' Arguments: SMTP port, packet file, output folder (Windows paths).
' Prints one FAIL line per failed check and OK at the end.
' The file is plain ASCII (cscript reads it in the ANSI code page).
Option Explicit

Dim failures : failures = 0

Sub Check(what, condition)
  If Not condition Then
    failures = failures + 1
    WScript.Echo "FAIL: " & what
  End If
End Sub

Sub Say(text)
  WScript.Echo "    " & text
End Sub

Sub Heading(text)
  WScript.Echo "  " & text
End Sub

Function ReadAll(path)
  Dim stream
  Set stream = fso.OpenTextFile(path, 1)
  ReadAll = stream.ReadAll
  stream.Close
End Function

Sub WriteAll(path, text)
  Dim stream
  Set stream = fso.CreateTextFile(path, True)
  stream.Write text
  stream.Close
End Sub

' Echoes the <ROW .../> elements of a packet, one a line.
Sub ShowRows(xml)
  Dim at, finish, count
  count = 0
  at = InStr(xml, "<ROW ")
  Do While at > 0
    finish = InStr(at, xml, "/>")
    If finish = 0 Then Exit Do
    Say "  " & Mid(xml, at, finish - at + 2)
    count = count + 1
    at = InStr(finish, xml, "<ROW ")
  Loop
  If count = 0 Then Say "  (no rows)"
End Sub

' Echoes a JSON item and everything below it, one member or element a line.
Sub Walk(h, label, depth)
  Dim i, pair, pad, value
  pad = Space(2 * depth)
  If lum.JSONIsObject(h) Then
    Say pad & label & "{} " & lum.JSONCount(h) & " members"
    For i = 0 To lum.JSONCount(h) - 1
      pair = lum.JSONGetPair(h, i)
      Walk lum.JSONGetPairValue(pair), lum.JSONGetPairKey(pair) & ": ", depth + 1
    Next
  ElseIf lum.JSONIsArray(h) Then
    Say pad & label & "[] " & lum.JSONArrayCount(h) & " elements"
    For i = 0 To lum.JSONArrayCount(h) - 1
      Walk lum.JSONGetArrayElement(h, i), "[" & i & "] ", depth + 1
    Next
  Else
    value = lum.JSONGetNodeValue(h, "")
    If IsNull(value) Then
      Say pad & label & "null"
    Else
      Say pad & label & value & " (" & TypeName(value) & ")"
    End If
  End If
End Sub

Dim fso, lum, port, packetPath, folder
Set fso = CreateObject("Scripting.FileSystemObject")
port = CLng(WScript.Arguments(0))
packetPath = WScript.Arguments(1)
folder = WScript.Arguments(2)

Set lum = CreateObject("Lumetra.LumetraCOM")
Heading "CreateObject(""Lumetra.LumetraCOM""): the server started"

' 1. Build a JSON order through handles and read it back.
Heading "JSON: build an order"
Dim order, lines, line, orderText, orderPath
order = lum.JSONAddElement(0, "")
lum.JSONAddNodeAsNumber order, "pedido", 1042
lum.JSONAddNode order, "cliente", "Ana Torres"
lum.JSONAddNodeAsBool order, "pagado", False
lines = lum.JSONAddArray(order, "lineas")
line = lum.JSONAddArrayElement(lines)
lum.JSONAddNode line, "sku", "A-1"
lum.JSONAddNodeAsNumber line, "cantidad", 2
lum.JSONAddNodeAsNumber line, "precio", 9.5
line = lum.JSONAddArrayElement(lines)
lum.JSONAddNode line, "sku", "B-7"
lum.JSONAddNodeAsNumber line, "cantidad", 1
lum.JSONAddNodeAsNumber line, "precio", 24
orderText = lum.JSONFormat(order)
Say "root handle " & order & " (VarType " & VarType(order) & ")"
Say "JSONFormat: " & orderText
Check "the order as text", orderText = _
  "{""pedido"":1042,""cliente"":""Ana Torres"",""pagado"":false,""lineas"":[" & _
  "{""sku"":""A-1"",""cantidad"":2,""precio"":9.5},{""sku"":""B-7"",""cantidad"":1,""precio"":24}]}"
Say "JSONGetNodeValue cliente -> " & lum.JSONGetNodeValue(order, "cliente")
Say "JSONGetNodeValue lineas[1].sku -> " & lum.JSONGetNodeValue(order, "lineas[1].sku")
Say "JSONArrayCount lineas -> " & lum.JSONArrayCount(lines)
Check "read back a member", lum.JSONGetNodeValue(order, "lineas[1].sku") = "B-7"
orderPath = folder & "\pedido-1042.json"
WriteAll orderPath, orderText
lum.JSONFree order
Say "JSONFree: JSONCount of the freed root -> " & lum.JSONCount(order)

' 2. Parse a document and walk it.
Heading "JSON: parse a document and walk it"
Dim doc
doc = lum.JSONCreate("{""tienda"":""Centro"",""abierta"":true,""horario"":{""desde"":9,""hasta"":18.5}," & _
                     """cajas"":[1,2,null],""notas"":[]}")
Check "JSONCreate gave a handle", VarType(doc) = 20
Walk doc, "", 0
Say "JSONGetNodeValue horario.hasta -> " & lum.JSONGetNodeValue(doc, "horario.hasta")
Check "a nested value", lum.JSONGetNodeValue(doc, "horario.hasta") = "18.5"
lum.JSONFree doc

' 3. A dataset packet updated with DSToJSON.
Heading "DSToJSON: update a dataset packet"
Dim packet, added, modified, deleted
packet = ReadAll(packetPath)
Say "the packet's rows before:"
ShowRows packet
added = lum.DSToJSON(packet, "{""SKU"":""C-3"",""QTY"":4,""PRICE"":3.25}", "ID", 3, "C")
Say "DSToJSON ""C"" (append ID 3) -> rows:"
ShowRows added
Check "C appends an inserted row", InStr(added, "RowState=""4"" ID=""3"" SKU=""C-3""") > 0
modified = lum.DSToJSON(added, "{""QTY"":5}", "ID", 1, "M")
Say "DSToJSON ""M"" (ID 1: QTY 5) on that packet -> rows:"
ShowRows modified
Check "M modifies ID 1", InStr(modified, "RowState=""8""") > 0 And InStr(modified, "QTY=""5""") > 0
deleted = lum.DSToJSON(modified, "", "ID", 2, "D")
Say "DSToJSON ""D"" (ID 2) -> """ & deleted & """ (" & Len(deleted) & " characters: a deletion returns no packet)"
Check "D returns the empty text", deleted = ""
WriteAll folder & "\packet-after-m.xml", modified

' 4. Mail over STARTTLS with AUTH LOGIN and the order attached.
Heading "SendMail: HTML mail with an attachment over STARTTLS to 127.0.0.1:" & port
Dim result
On Error Resume Next
result = lum.SendMail("Ana Torres <ana@example.com>; beto@example.com", "carla@example.com", "", _
                      "Pedido 1042 confirmado", "<h1>Pedido 1042</h1><p>Gracias por su compra.</p>", orderPath, _
                      "pedidos@example.com", "secreto", "127.0.0.1", port, True)
If Err.Number <> 0 Then
  Check "SendMail failed: " & Err.Description, False
  Err.Clear
Else
  Say "SendMail -> " & result
  Check "SendMail's result", result = "Correo enviado correctamente."
End If
On Error GoTo 0

' 5. Base64 into files.
Heading "Base64 into files"
Dim failed
failed = lum.EncodeBase64("Hola, Lumetra", folder & "\saludo.b64")
Say "EncodeBase64(""Hola, Lumetra"", saludo.b64) -> " & failed & " (False: written)"
Check "EncodeBase64 wrote its file", failed = False
failed = lum.DecodeBase64("SG9sYSwgTHVtZXRyYQ==", folder & "\saludo.txt")
Say "DecodeBase64(""SG9sYSwgTHVtZXRyYQ=="", saludo.txt) -> " & failed
Check "DecodeBase64 wrote its file", failed = False
failed = lum.DecodeBase64("SG9sYQ==", folder & "\no such folder\x.txt")
Say "DecodeBase64 into a missing folder -> " & failed & " (True: not written)"
Check "DecodeBase64 into a missing folder fails", failed = True

' 6. Version.
Dim version
version = lum.Version()
Heading "Version -> " & version
Check "a version", Len(version) > 0

' Release the object before WScript.Quit, which ends the process at once.
Set lum = Nothing
If failures = 0 Then WScript.Echo "OK"
WScript.Quit failures
