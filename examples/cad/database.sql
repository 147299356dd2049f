-- The design database of the example site: companies and persons that
-- tickets name as customer, owner, salesperson and designer.
CREATE TABLE IF NOT EXISTS companies (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  code TEXT,
  location TEXT
);
CREATE TABLE IF NOT EXISTS persons (
  id INTEGER PRIMARY KEY,
  first_name TEXT NOT NULL,
  last_name TEXT NOT NULL
);
INSERT OR REPLACE INTO companies (id, name, code, location) VALUES
  (101, 'Northwind Cartons', 'NWC', 'Leeds'),
  (102, 'Harbour Foods', 'HBF', 'Bristol');
INSERT OR REPLACE INTO persons (id, first_name, last_name) VALUES
  (201, 'Ada', 'Fold'),
  (202, 'Ben', 'Crease');
