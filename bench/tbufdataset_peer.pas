{ The peer of dataset_bench: Free Pascal's TBufDataset (fcl-db) doing what
  DSToJSON "M" does to a packet, through its public API.

    tbufdataset_peer IN OUT KEY   loads the XML data packet IN, locates the
                                  record whose ID is KEY, writes NAME and
                                  PRICE, and saves the packet to OUT }
program tbufdataset_peer;

{$mode objfpc}{$H+}

uses
  SysUtils, DB, BufDataset, XMLDatapacketReader;

var
  ds: TBufDataset;
begin
  if ParamCount <> 3 then
  begin
    WriteLn(StdErr, 'usage: tbufdataset_peer IN OUT KEY');
    Halt(2);
  end;
  DefaultFormatSettings.DecimalSeparator := '.';
  ds := TBufDataset.Create(nil);
  try
    try
      ds.LoadFromFile(ParamStr(1), dfXML);
      if not ds.Locate('ID', StrToInt(ParamStr(3)), []) then
        raise Exception.Create('key not found');
      ds.Edit;
      ds.FieldByName('NAME').AsString := 'changed';
      ds.FieldByName('PRICE').AsFloat := 1.25;
      ds.Post;
      ds.SaveToFile(ParamStr(2), dfXML);
    except
      on e: Exception do
      begin
        WriteLn(StdErr, 'error ', e.ClassName, ': ', e.Message);
        Halt(1);
      end;
    end;
  finally
    ds.Free;
  end;
end.
