#!/usr/bin/env python3
"""Row counts and money totals of a few record sources, worked out from mdb-export's CSV of the
underlying tables: a second reader of the file and a second way of joining and grouping, to check the
query engine against. Amounts are printed as whole ten-thousandths.

    independent_totals.py DATABASE order-subtotals|sales-by-quarter|quarter-lines|invoices|freight-by-year|
                                   costs-by-owner|first-quarter-1997|sales-by-country-1997
"""
import csv
import io
import struct
import subprocess
import sys
from collections import defaultdict
from decimal import ROUND_HALF_EVEN, ROUND_HALF_UP, Decimal


def table(database, name):
    exported = subprocess.run(["mdb-export", database, name], check=True, capture_output=True)
    return list(csv.DictReader(io.StringIO(exported.stdout.decode("utf-8", "replace"))))


def ten_thousandths(amount):
    return int(Decimal(amount) * 10000)


def single(text):
    """A Single column's value as the engine widens it to a Double."""
    return struct.unpack("<f", struct.pack("<f", float(text)))[0]


def extended_price(line):
    """CCur(UnitPrice * Quantity * (1 - Discount) / 100) * 100, in ten-thousandths. Money times a number
    is money in Jet: the number is rounded to ten-thousandths first, so the product is exact."""
    price_times_quantity = Decimal(line["UnitPrice"]) * int(line["Quantity"])  # Currency: exact
    factor = Decimal(1 - single(line["Discount"])).quantize(Decimal("0.0001"), rounding=ROUND_HALF_EVEN)
    amount = float((price_times_quantity * factor).quantize(Decimal("0.0001"), rounding=ROUND_HALF_EVEN)) / 100
    return round(amount * 10000) * 100  # half to even, as CCur


def order_subtotals(database):
    totals = defaultdict(int)
    for line in table(database, "Order Details"):
        totals[line["OrderID"]] += extended_price(line)
    return totals


def main():
    database, check = sys.argv[1], sys.argv[2]
    if check == "order-subtotals":
        totals = order_subtotals(database)
        print(len(totals), sum(totals.values()))
    elif check == "sales-by-quarter":
        totals = order_subtotals(database)
        shipped = [o for o in table(database, "Orders") if o["ShippedDate"] and o["OrderID"] in totals]
        print(len(shipped), sum(totals[o["OrderID"]] for o in shipped))
    elif check == "quarter-lines":
        # Each quarter's years as a report shows them: the year, the orders shipped, the sales in dollars.
        totals = order_subtotals(database)
        groups = defaultdict(lambda: [0, 0])
        for order in table(database, "Orders"):
            if order["ShippedDate"] and order["OrderID"] in totals:
                month, year = int(order["ShippedDate"][0:2]), 1900 + int(order["ShippedDate"][6:8])
                group = groups[((month - 1) // 3 + 1, year)]
                group[0] += 1
                group[1] += totals[order["OrderID"]]
        for (quarter, year), (count, total) in sorted(groups.items()):
            dollars = (Decimal(total) / 10000).quantize(Decimal("0.01"), rounding=ROUND_HALF_UP)
            print(f"{quarter}\t{year} {count} ${dollars:,}")
    elif check == "invoices":
        orders = {o["OrderID"]: o for o in table(database, "Orders")}
        customers = {c["CustomerID"] for c in table(database, "Customers")}
        employees = {e["EmployeeID"] for e in table(database, "Employees")}
        shippers = {s["ShipperID"] for s in table(database, "Shippers")}
        products = {p["ProductID"] for p in table(database, "Products")}
        count = total = 0
        for line in table(database, "Order Details"):
            order = orders.get(line["OrderID"])
            if (order and order["CustomerID"] in customers and order["EmployeeID"] in employees
                    and order["ShipVia"] in shippers and line["ProductID"] in products):
                count += 1
                total += extended_price(line)
        print(count, total)
    elif check == "first-quarter-1997":
        # The crosstab's rows (a product and a customer with orders in 1997) and its "Qtr 1" column.
        products = {p["ProductID"]: p["ProductName"] for p in table(database, "Products")}
        orders = {o["OrderID"]: o for o in table(database, "Orders") if o["OrderDate"][6:8] == "97"}
        rows, total = set(), 0
        for line in table(database, "Order Details"):
            order = orders.get(line["OrderID"])
            if order and line["ProductID"] in products:
                rows.add((products[line["ProductID"]], order["CustomerID"]))
                if int(order["OrderDate"][0:2]) <= 3:
                    total += extended_price(line)
        print(len(rows), total)
    elif check == "sales-by-country-1997":
        # Employee Sales by Country for 1997: each employee's country, its orders shipped that year and
        # their sales.
        totals = order_subtotals(database)
        country = {e["EmployeeID"]: e["Country"] for e in table(database, "Employees")}
        groups = defaultdict(lambda: [0, 0])
        for order in table(database, "Orders"):
            if order["ShippedDate"][6:8] == "97" and order["OrderID"] in totals and order["EmployeeID"] in country:
                group = groups[country[order["EmployeeID"]]]
                group[0] += 1
                group[1] += totals[order["OrderID"]]
        for name, (count, total) in sorted(groups.items()):
            print(f"{name}\t{count}\t{total}")
    elif check == "freight-by-year":
        totals = defaultdict(lambda: [0, 0])
        for order in table(database, "Orders"):
            # mdb-export writes dates as MM/DD/YY: Northwind's orders are all from the 1990s.
            year = "none" if not order["ShippedDate"] else str(1900 + int(order["ShippedDate"][6:8]))
            totals[year][0] += 1
            totals[year][1] += ten_thousandths(order["Freight"] or "0")
        for year, (count, total) in sorted(totals.items()):
            print(f"{year}\t{count}\t{total}")
    elif check == "costs-by-owner":
        totals = defaultdict(int)
        for item in table(database, "Asset Items"):
            if item["Cost"]:
                totals[(item["Owner"], item["Asset Category"])] += ten_thousandths(item["Cost"])
        for (owner, category), total in sorted(totals.items()):
            print(f"{owner}\t{category}\t{total}")
    else:
        sys.exit("unknown check " + check)


if __name__ == "__main__":
    main()
