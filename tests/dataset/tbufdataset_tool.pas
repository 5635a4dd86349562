{ Free Pascal's TBufDataset as the other client-dataset engine of the
  interoperability test, driven through its public API only.

    tbufdataset_tool write FILE   saves a packet of the simple field types,
                                  with one change in its change log
    tbufdataset_tool dump FILE    loads a packet and prints every record:
                                  its update status and each value (dates
                                  yyyy-mm-dd, times hh:nn:ss.zzz, <null>),
                                  then the value of the autoincrement
                                  field SEQ that a new record gets }
program tbufdataset_tool;

{$mode objfpc}{$H+}

uses
  SysUtils, DB, BufDataset, XMLDatapacketReader;

procedure DefineFields(ds: TBufDataset);
begin
  ds.FieldDefs.Add('ID', ftInteger);
  ds.FieldDefs.Add('NAME', ftString, 20);
  ds.FieldDefs.Add('PRICE', ftFloat);
  ds.FieldDefs.Add('ACTIVE', ftBoolean);
  ds.FieldDefs.Add('BORN', ftDate);
  ds.FieldDefs.Add('STAMP', ftDateTime);
  ds.FieldDefs.Add('AT', ftTime);
  ds.FieldDefs.Add('SMALL', ftSmallint);
  ds.FieldDefs.Add('BIG', ftLargeint);
  ds.FieldDefs.Add('CUR', ftCurrency);
  ds.FieldDefs.Add('TITLE', ftWideString, 10);
  ds.FieldDefs.Add('SEQ', ftAutoInc);
end;

procedure AddRow(ds: TBufDataset; id: Integer; const name: string; price: Double; active: Boolean;
  born, stamp, at: TDateTime; small: Integer; big: Int64; cur: Currency);
begin
  ds.Append;
  ds.FieldByName('ID').AsInteger := id;
  ds.FieldByName('NAME').AsString := name;
  ds.FieldByName('PRICE').AsFloat := price;
  ds.FieldByName('ACTIVE').AsBoolean := active;
  ds.FieldByName('BORN').AsDateTime := born;
  ds.FieldByName('STAMP').AsDateTime := stamp;
  ds.FieldByName('AT').AsDateTime := at;
  ds.FieldByName('SMALL').AsInteger := small;
  ds.FieldByName('BIG').AsLargeInt := big;
  ds.FieldByName('CUR').AsCurrency := cur;
  ds.FieldByName('TITLE').AsString := 'T' + IntToStr(id);
  ds.Post;
end;

procedure WritePacket(const fileName: string);
var
  ds: TBufDataset;
begin
  ds := TBufDataset.Create(nil);
  try
    DefineFields(ds);
    ds.CreateDataset;
    AddRow(ds, 1, 'Ann', 12.5, True, EncodeDate(1990, 5, 17),
      EncodeDate(2021, 3, 4) + EncodeTime(13, 14, 15, 0), EncodeTime(8, 30, 0, 0), -5, 12345678901234, 3.1416);
    AddRow(ds, 2, 'Bob', 0.25, False, EncodeDate(1985, 12, 1),
      EncodeDate(2020, 1, 31) + EncodeTime(0, 0, 1, 0), EncodeTime(23, 59, 59, 0), 7, -9, 100);
    AddRow(ds, 3, 'Cid', -1e10, True, EncodeDate(2001, 2, 28),
      EncodeDate(2019, 7, 14), EncodeTime(12, 0, 0, 0), 32767, 0, -0.5);
    ds.MergeChangeLog;
    // One change of our own, kept in the packet's change log.
    ds.First;
    ds.Next;
    ds.Edit;
    ds.FieldByName('NAME').AsString := 'Bobby';
    ds.Post;
    ds.SaveToFile(fileName, dfXML);
  finally
    ds.Free;
  end;
end;

function StatusText(status: TUpdateStatus): string;
begin
  case status of
    usUnmodified: Result := 'unmodified';
    usModified: Result := 'modified';
    usInserted: Result := 'inserted';
    usDeleted: Result := 'deleted';
  end;
end;

function ValueText(field: TField): string;
begin
  if field.IsNull then Exit('<null>');
  case field.DataType of
    ftDate: Result := FormatDateTime('yyyy-mm-dd', field.AsDateTime);
    ftTime: Result := FormatDateTime('hh:nn:ss.zzz', field.AsDateTime);
    ftDateTime: Result := FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', field.AsDateTime);
    ftFloat: Result := FloatToStr(field.AsFloat);
    ftCurrency: Result := CurrToStr(field.AsCurrency);
    ftBoolean: Result := BoolToStr(field.AsBoolean, 'true', 'false');
  else
    Result := field.AsString;
  end;
end;

procedure DumpPacket(const fileName: string);
var
  ds: TBufDataset;
  i: Integer;
  line: string;
begin
  ds := TBufDataset.Create(nil);
  try
    ds.LoadFromFile(fileName, dfXML);
    ds.First;
    while not ds.EOF do
    begin
      line := StatusText(ds.UpdateStatus);
      for i := 0 to ds.FieldCount - 1 do
        line := line + ' ' + ds.Fields[i].FieldName + '=' + ValueText(ds.Fields[i]);
      WriteLn(line);
      ds.Next;
    end;
    WriteLn('changes ', ds.ChangeCount);
    // The autoincrement value a record appended now gets.
    ds.Append;
    ds.FieldByName('ID').AsInteger := 0;
    ds.Post;
    WriteLn('next SEQ=', ds.FieldByName('SEQ').AsString);
  finally
    ds.Free;
  end;
end;

begin
  DefaultFormatSettings.DecimalSeparator := '.';
  try
    if (ParamCount = 2) and (ParamStr(1) = 'write') then
      WritePacket(ParamStr(2))
    else if (ParamCount = 2) and (ParamStr(1) = 'dump') then
      DumpPacket(ParamStr(2))
    else
    begin
      WriteLn(StdErr, 'usage: tbufdataset_tool write|dump FILE');
      Halt(2);
    end;
  except
    on e: Exception do
    begin
      WriteLn('error ', e.ClassName, ': ', e.Message);
      Halt(1);
    end;
  end;
end.
